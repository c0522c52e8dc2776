#pragma once

// The splash shown at start: a borderless picture, always on top, that
// closes itself after 2000 ms and then shows the main window.

#include <QWidget>

class QTimer;

class TfmSplash : public QWidget {
    Q_OBJECT
public:
    // The window shown when the time is up (not owned; may be null).
    explicit TfmSplash(QWidget* mainWindow = nullptr);

signals:
    void Finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TimeUp();

    QWidget* FMainWindow;
    QTimer* FTimer;
    QPixmap FPicture;
};
