#include "lyricsform.h"

#include "app/messages.h"
#include "lyrics/lrc.h"
#include "platform/profile.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

using namespace vimbo;

namespace {

const QString kTimers = QStringLiteral("Timers");

QPushButton* button(const QString& caption, void (TLyricsForm::*handler)(), TLyricsForm* form)
{
    auto* b = new QPushButton(caption, form);
    QObject::connect(b, &QPushButton::clicked, form, handler);
    return b;
}

} // namespace

TLyricsForm::TLyricsForm(QString lyricFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_folder(std::move(lyricFolder))
{
    setWindowTitle(QStringLiteral("Lyrics Generator"));

    General = new QGroupBox(QStringLiteral("General"), this);
    PosLabel = new QLabel(QStringLiteral("0"), General);
    FileLabel = new QLabel(QStringLiteral("None"), General);
    PlayingLabel = new QLabel(QStringLiteral("None"), General);
    auto* general = new QGridLayout(General);
    const std::pair<const char*, QLabel*> rows[] = {
        {"Playing Position:", PosLabel}, {"Filename:", FileLabel}, {"Song Playing:", PlayingLabel}};
    for (int i = 0; i < 3; ++i) {
        general->addWidget(new QLabel(QLatin1String(rows[i].first), General), i, 0);
        general->addWidget(rows[i].second, i, 1);
    }
    general->setColumnStretch(1, 1);
    for (QLabel* l : {PosLabel, FileLabel, PlayingLabel})
        l->setMinimumWidth(260);

    SetOutputBtn = button(QStringLiteral("Set &Output File"), &TLyricsForm::SetOutputBtnClick, this);
    ReleaseBtn = button(QStringLiteral("&Release File"), &TLyricsForm::ReleaseFile, this);
    RecordBtn = button(QStringLiteral("&Start Recording"), &TLyricsForm::RecordBtnClick, this);
    StopBtn = button(QStringLiteral("Sto&p Recording"), &TLyricsForm::StopBtnClick, this);
    SetTimedLineBtn = button(QStringLiteral("Set &Timed Line"), &TLyricsForm::SetTimedLineBtnClick, this);
    ExportBtn = button(QStringLiteral("&Export LRC..."), &TLyricsForm::ExportLrcClick, this);
    for (QPushButton* b : {ReleaseBtn, RecordBtn, StopBtn, SetTimedLineBtn, ExportBtn})
        b->setEnabled(false);

    LyricsBox = new QPlainTextEdit(this);
    LyricsBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    DoneLinesBox = new QListWidget(this);
    DoneLinesBox->setStyleSheet(QStringLiteral("QListWidget { background: #c0c0c0; }"));
    AddedLabel = new QLabel(QStringLiteral("0"), this);
    LeftLabel = new QLabel(QStringLiteral("0"), this);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {SetOutputBtn, ReleaseBtn, RecordBtn, StopBtn, SetTimedLineBtn, ExportBtn})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(General, 1);
    top->addLayout(buttons);
    auto* counts = new QHBoxLayout;
    counts->addWidget(new QLabel(QStringLiteral("Added:"), this));
    counts->addWidget(AddedLabel);
    counts->addSpacing(24);
    counts->addWidget(new QLabel(QStringLiteral("Left:"), this));
    counts->addWidget(LeftLabel);
    counts->addStretch();
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(LyricsBox);
    boxes->addWidget(DoneLinesBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(boxes, 1);
    layout->addLayout(counts);
    resize(620, 460);
    setFixedSize(size()); // a single-line border: the window is not sized by the user
}

void TLyricsForm::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

QString TLyricsForm::OutputNameProblem(const QString& name)
{
    if (name.contains('/') || name.contains(QChar(0)))
        return QStringLiteral("A lyric file's name cannot hold \"/\": \"%1\" was not used.").arg(name);
    if (name.isEmpty())
        return QStringLiteral("A lyric file needs a name.");
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c == '.'; }))
        return QStringLiteral("A lyric file needs a name of more than dots: \"%1\" was not used.").arg(name);
    return {};
}

void TLyricsForm::SetOutputBtnClick()
{
    QInputDialog ask(this);
    ask.setWindowTitle(QStringLiteral("Set Output File"));
    ask.setLabelText(QStringLiteral("Name to write timed lyrics to:"));
    ask.setTextValue(PlayingLabel->text());
    if (ask.exec() != QDialog::Accepted)
        return;
    const QString name = ask.textValue();
    if (const QString problem = OutputNameProblem(name); !problem.isEmpty()) {
        showErrorMessage(this, problem);
        return;
    }
    // The file is made by the first line written; one there already is
    // written into, its other lines kept.
    LyricOutput = QDir(m_folder).filePath(name + QStringLiteral(".sly"));
    FileLabel->setText(name + QStringLiteral(".sly"));
    SetOutputBtn->setEnabled(false);
    ReleaseBtn->setEnabled(true);
    RecordBtn->setEnabled(true);
    ExportBtn->setEnabled(true);
}

void TLyricsForm::ReleaseFile()
{
    // Lines placed with no file to take them would be lost.
    if (StopBtn->isEnabled())
        StopBtnClick();
    LyricOutput.reset();
    FileLabel->setText(QStringLiteral("None"));
    RecordBtn->setEnabled(false);
    ReleaseBtn->setEnabled(false);
    ExportBtn->setEnabled(false);
    SetOutputBtn->setEnabled(true);
}

QStringList TLyricsForm::lyricLines() const
{
    const QString text = LyricsBox->toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split('\n');
    if (lines.back().isEmpty())
        lines.removeLast(); // the break after the last line starts no line
    return lines;
}

void TLyricsForm::setRecording(bool recording)
{
    SetTimedLineBtn->setEnabled(recording);
    StopBtn->setEnabled(recording);
    RecordBtn->setEnabled(!recording && LyricOutput.has_value());
    LyricsBox->setReadOnly(recording);
    QPalette palette = LyricsBox->palette();
    palette.setColor(QPalette::Base, recording ? palette.color(QPalette::Button) : QPalette().color(QPalette::Base));
    LyricsBox->setPalette(palette);
}

void TLyricsForm::RecordBtnClick()
{
    if (lyricLines().isEmpty()) {
        showErrorMessage(this, QStringLiteral("No lines inserted in the lyrics textbox!"));
        return;
    }
    setRecording(true);
    if (PlaySelected)
        PlaySelected();
}

void TLyricsForm::StopBtnClick()
{
    setRecording(false);
    if (Stop)
        Stop();
}

void TLyricsForm::SetTimedLineBtnClick()
{
    QStringList lines = lyricLines();
    if (lines.isEmpty() || !LyricOutput) {
        StopBtnClick();
        return;
    }
    const QString line = lines.takeFirst();
    if (!ProfileFile(*LyricOutput).writeString(kTimers, PosLabel->text(), line)) {
        StopBtnClick();
        showErrorMessage(this, QStringLiteral("The line could not be written to \"%1\"; the recording was stopped.")
                                   .arg(QDir::toNativeSeparators(*LyricOutput)));
        return;
    }
    DoneLinesBox->insertItem(0, line);
    LyricsBox->setPlainText(lines.join('\n'));
    AddedLabel->setText(QString::number(AddedLabel->text().toInt() + 1));
    if (lines.isEmpty())
        StopBtnClick();
    LeftLabel->setText(QString::number(lines.size()));
}

void TLyricsForm::ExportLrcClick()
{
    if (!LyricOutput)
        return;
    QFileDialog dialog(this, QStringLiteral("Export LRC"), QDir::homePath());
    dialog.setNameFilters({QStringLiteral("LRC Lyrics (*.lrc)"), QStringLiteral("All Files (*)")});
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("lrc"));
    dialog.selectFile(QFileInfo(*LyricOutput).completeBaseName() + QStringLiteral(".lrc"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString target = dialog.selectedFiles().constFirst();

    // The file as it is on disk now, its lines in time order; keys that are
    // no position (not plain digits) have no time to give.
    const ProfileFile output(*LyricOutput);
    QList<std::pair<qint32, QString>> lines;
    for (const auto& [key, value] : output.entries(kTimers)) {
        bool ok = false;
        const qint32 position = key.toInt(&ok);
        if (ok && position >= 0 && !key.startsWith('+'))
            lines.push_back({position, value});
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const QByteArray content = WriteLrc(lines);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        showErrorMessage(this, QStringLiteral("The LRC file \"%1\" could not be written: %2")
                                   .arg(QDir::toNativeSeparators(target), file.errorString()));
}
