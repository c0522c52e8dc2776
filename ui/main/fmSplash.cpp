#include "ui/main/fmSplash.h"

#include "ui/parts/Named.h"
#include "ui/parts/Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

TfmSplash::TfmSplash(QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), FMainWindow(mainWindow),
      FPicture(SplashPicture())
{
    setWindowTitle(QStringLiteral("Veltrin Installer Splash"));
    setFixedSize(FPicture.size());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FTimer = NewNamed<QTimer>("Timer1", this);
    FTimer->setInterval(2000);
    FTimer->setSingleShot(false);
    connect(FTimer, &QTimer::timeout, this, &TfmSplash::TimeUp);
    FTimer->start();
}

void TfmSplash::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, FPicture);
}

void TfmSplash::TimeUp()
{
    FTimer->stop();
    close();
    if (FMainWindow && !FMainWindow->isVisible())
        FMainWindow->showMaximized();
    emit Finished();
}
