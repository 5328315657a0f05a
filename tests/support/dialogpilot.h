// Answers the player's modal message boxes in tests, recording what each said.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <functional>
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

    // Other modal windows (the attach dialog, input and file dialogs) go to
    // this, when set; it answers them.
    std::function<void(QWidget*)> other;
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
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            if (other)
                other(modal);
            return;
        }
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
