// The small status window that long playlist operations show while they work.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

class TStartupScherm : public QWidget
{
    Q_OBJECT
public:
    explicit TStartupScherm(QWidget* parent = nullptr);

    QLabel* Status;
    QProgressBar* Progress;
};
