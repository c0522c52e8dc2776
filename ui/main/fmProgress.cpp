#include "ui/main/fmProgress.h"

#include "ui/parts/QtText.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

TfmProgress::TfmProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Progress"));
    FDescription = new QLabel(QStringLiteral("Progress"), this);
    FDescription->setMinimumWidth(340);
    FDescription->setTextFormat(Qt::PlainText);
    FBar = new QProgressBar(this);
    FBar->setRange(0, 100);
    FBar->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(FDescription);
    layout->addWidget(FBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmProgress::Report(const std::string& text, int position)
{
    // Long file paths are elided in the middle, so the window keeps its size.
    QString shown = AnsiToQt(text);
    FDescription->setText(FDescription->fontMetrics().elidedText(shown, Qt::ElideMiddle, FDescription->width()));
    FDescription->setToolTip(shown);
    FBar->setValue(std::clamp(position, 0, 100));
    if (isVisible())
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString TfmProgress::Description() const
{
    return FDescription->toolTip().isEmpty() ? FDescription->text() : FDescription->toolTip();
}

int TfmProgress::Position() const
{
    return FBar->value();
}
