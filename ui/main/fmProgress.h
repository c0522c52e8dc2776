#pragma once

// "Progress": shown, not modally, while a package archive is made. The
// archive maker runs on the user-interface thread, so Report repaints the
// window itself.

#include <QDialog>

#include <string>

class QLabel;
class QProgressBar;

class TfmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfmProgress(QWidget* parent = nullptr);

    // Sets the description line and the bar (0 to 100; values outside are
    // held at the ends).
    void Report(const std::string& text, int position);

    QString Description() const;
    int Position() const;

private:
    QLabel* FDescription;
    QProgressBar* FBar;
};
