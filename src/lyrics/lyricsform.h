// The lyrics generator: the user pastes a song's text, plays the track and
// presses Set Timed Line as each line is sung; every press writes the
// position reported last and the next line into the output lyric file.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class TLyricsForm : public QWidget
{
    Q_OBJECT
public:
    // `lyricFolder` is where output files go ("Lyrics/" of the program folder).
    explicit TLyricsForm(QString lyricFolder, QWidget* parent = nullptr);

    QGroupBox* General;
    QLabel* PosLabel;     // the position reported last
    QLabel* FileLabel;    // the output file
    QLabel* PlayingLabel; // the playing track's name without extension
    QPushButton* SetOutputBtn;
    QPushButton* ReleaseBtn;
    QPushButton* RecordBtn;
    QPushButton* StopBtn;
    QPushButton* SetTimedLineBtn;
    QPushButton* ExportBtn; // the output file's lines as an LRC file
    QPlainTextEdit* LyricsBox;  // lines still to be placed, first line next
    QListWidget* DoneLinesBox;  // lines placed, newest at the top
    QLabel* AddedLabel;
    QLabel* LeftLabel;

    // The player's Play and Stop buttons.
    std::function<void()> PlaySelected;
    std::function<void()> Stop;

    void SetOutputBtnClick();
    void ReleaseFile();
    void RecordBtnClick();
    void StopBtnClick();
    void SetTimedLineBtnClick();
    void ExportLrcClick();

    // The output file's path, or "" with none set.
    QString LyricOutputPath() const { return LyricOutput.value_or(QString()); }
    // Why `name` cannot name an output file ("" when it can).
    static QString OutputNameProblem(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList lyricLines() const;
    void setRecording(bool recording);

    QString m_folder;
    // The output file's path. It is read anew for every line written, so
    // that what others wrote into it meanwhile (an attachment) is kept.
    std::optional<QString> LyricOutput;
};
