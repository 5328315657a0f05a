// Answers the player's modal message boxes in tests, recording what each said.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <vector>

struct SeenDialog
{
    QMessageBox::Icon icon;
    QString text;
};

class DialogPilot : public QObject
{
public:
    DialogPilot()
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogPilot::poll);
        m_timer.start(5);
    }

    // Answers, in order, for the confirmation boxes; Yes once they run out.
    std::vector<QMessageBox::StandardButton> answers;
    std::vector<SeenDialog> seen;

    QStringList texts() const
    {
        QStringList out;
        for (const auto& d : seen)
            out << d.text;
        return out;
    }

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen.push_back({box->icon(), box->text()});
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (box->button(QMessageBox::Yes)) {
            const auto answer = m_nextAnswer < answers.size() ? answers[m_nextAnswer] : QMessageBox::Yes;
            ++m_nextAnswer;
            button = box->button(answer);
        }
        button->click();
    }

    QTimer m_timer;
    size_t m_nextAnswer = 0;
};
