#include "ui/main/fmSetupImage.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "package/BuildValidation.h"
#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtText.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <fstream>

namespace {

constexpr int PictureWidth = 185;
constexpr int PictureHeight = 294;

}

TfmSetupImage::TfmSetupImage(TFileDialogs* dialogs, TMessageService* messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      FDialogs(dialogs), FMessages(messages)
{
    setWindowTitle(QStringLiteral("Setup Image"));
    auto* caption = new QLabel(QStringLiteral("185 X 294 Image:"), this);
    FPicture = new QLabel(this);
    FPicture->setObjectName(QStringLiteral("lbPicture"));
    FPicture->setAccessibleName(QStringLiteral("Setup image"));
    FPicture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPicture->setLineWidth(2);
    FPicture->setFixedSize(PictureWidth + 4, PictureHeight + 4);
    FPicture->setAlignment(Qt::AlignCenter);
    FPicture->setScaledContents(true);

    auto* btDefault = new QPushButton(QStringLiteral("Default"), this);
    auto* btChoose = new QPushButton(QStringLiteral("Choose"), this);
    auto* btOk = new QPushButton(QStringLiteral("OK"), this);
    auto* btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btDefault->setObjectName(QStringLiteral("btDefault"));
    btChoose->setObjectName(QStringLiteral("btChoose"));
    btOk->setDefault(true);
    connect(btDefault, &QPushButton::clicked, this, &TfmSetupImage::Default);
    connect(btChoose, &QPushButton::clicked, this, &TfmSetupImage::Choose);
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    buttons->addSpacing(16);
    buttons->addWidget(btDefault);
    buttons->addWidget(btChoose);
    buttons->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(12);
    layout->addWidget(caption, 0, 0);
    layout->addWidget(FPicture, 1, 0);
    layout->addLayout(buttons, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Default();
}

void TfmSetupImage::Default()
{
    FPicture->setPixmap(DefaultSetupPicture());
    FImagePath.clear();
}

void TfmSetupImage::LoadPicture(const std::string& path)
{
    QImageReader reader(HostPathToQt(path));
    // The extension decides the format, as it does for the setup wizard that
    // shows the picture later; a bitmap named .jpg is refused here already.
    QByteArray suffix = QFileInfo(HostPathToQt(path)).suffix().toLower().toLatin1();
    if (suffix == "jpeg")
        suffix = "jpg";
    if (suffix == "wmf" || suffix == "emf") {
        ShowMetafile(path);
        return;
    }
    if (suffix != "bmp" && suffix != "ico" && suffix != "jpg")
        throw Exception("Unknown picture file extension (." + suffix.toStdString() + ")");
    if (suffix == "jpg")
        if (std::string problem = JpegShowProblem(path); !problem.empty())
            throw Exception("Cannot load picture " + path + ": it is " + problem);
    reader.setFormat(suffix);
    QImage image = reader.read();
    if (image.isNull())
        throw Exception("Cannot load picture " + path + ": " + reader.errorString().toStdString());
    FPicture->setPixmap(QPixmap::fromImage(image));
}

void TfmSetupImage::ShowMetafile(const std::string& path)
{
    // Qt reads no metafiles: the frame names the file instead. The setup
    // wizard draws placeable and enhanced metafiles, which these bytes tell
    // apart (an enhanced one has its signature at offset 40).
    char head[44] = {};
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in)
        throw Exception("Cannot load picture " + path + ": the file cannot be read");
    in.read(head, sizeof head);
    const std::string bytes(head, size_t(in.gcount()));
    const bool placeable = bytes.compare(0, 4, "\xD7\xCD\xC6\x9A") == 0;
    const bool enhanced = bytes.size() == sizeof head && bytes.compare(0, 4, std::string("\x01\0\0\0", 4)) == 0 &&
                          bytes.compare(40, 4, " EMF") == 0;
    if (!placeable && !enhanced)
        throw Exception("Cannot load picture " + path +
                        ": the setup wizard shows only placeable (.wmf) and enhanced (.emf) metafiles");
    FPicture->setPixmap(QPixmap());
    FPicture->setWordWrap(true);
    FPicture->setText(QFileInfo(HostPathToQt(path)).fileName() + QStringLiteral("\n\nNo preview for metafiles"));
}

void TfmSetupImage::SetImage(const std::string& path)
{
    FImagePath = path;
    if (path.empty() || !FileExists(path)) {
        Default();
        return;
    }
    try {
        LoadPicture(path);
    } catch (const Exception& e) {
        // A stored picture that no longer loads is shown as the default, and
        // the path stays, so Cancel keeps the project as it was.
        FPicture->setPixmap(DefaultSetupPicture());
        if (FMessages)
            FMessages->ShowError(ErrorBoxText(e.Message()));
    }
}

void TfmSetupImage::Choose()
{
    std::string path = FDialogs ? FDialogs->OpenPicture() : std::string();
    if (path.empty())
        return;
    try {
        LoadPicture(path);
        FImagePath = path;
    } catch (const Exception& e) {
        if (FMessages)
            FMessages->ShowError(ErrorBoxText(e.Message()));
    }
}

QPixmap TfmSetupImage::Picture() const
{
    return FPicture->pixmap();
}
