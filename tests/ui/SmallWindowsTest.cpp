#include "FakeServices.h"
#include "support/TestSupport.h"

#include "ui/main/AboutBox.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtText.h"
#include "ui/main/fmProgress.h"
#include "ui/main/fmSetupImage.h"
#include "ui/main/fmSigning.h"
#include "storage/Settings.h"
#include "ui/main/fmSplash.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <set>

namespace {

class SetupImageTest : public ::testing::Test {
protected:
    std::string WritePicture(const std::string& name, const char* format, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::red);
        std::string path = Temp.File(name);
        EXPECT_TRUE(image.save(HostPathToQt(path), format));
        return path;
    }

    bool ShowsDefault() const { return Dialog.Picture().toImage() == DefaultSetupPicture().toImage(); }

    TempDir Temp;
    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    TfmSetupImage Dialog{&Dialogs, &Messages};
};

TEST_F(SetupImageTest, DefaultPictureIs185By294)
{
    QPixmap picture = DefaultSetupPicture();
    EXPECT_EQ(picture.size(), QSize(185, 294));
    EXPECT_TRUE(ShowsDefault());
    EXPECT_TRUE(Dialog.ImagePath().empty());
}

TEST_F(SetupImageTest, MissingFileShowsTheDefaultWithAnEmptyPath)
{
    Dialog.SetImage(Temp.File("gone.bmp"));
    EXPECT_TRUE(Dialog.ImagePath().empty());
    EXPECT_TRUE(ShowsDefault());
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(SetupImageTest, LoadsEachPictureFormatByItsExtension)
{
    struct Case {
        const char* Name;
        const char* Format;
    } cases[] = {{"p.bmp", "BMP"}, {"p.jpg", "JPEG"}, {"p.JPEG", "JPEG"}, {"p.ico", "ICO"}};
    for (const auto& c : cases) {
        std::string path = WritePicture(c.Name, c.Format, 32, 48);
        Dialog.SetImage(path);
        EXPECT_EQ(Dialog.ImagePath(), path) << c.Name;
        EXPECT_FALSE(ShowsDefault()) << c.Name;
        EXPECT_EQ(Dialog.Picture().size(), QSize(32, 48)) << c.Name;
    }
    EXPECT_TRUE(Messages.Shown().empty()) << ::testing::PrintToString(Messages.Texts());
}

TEST_F(SetupImageTest, MetafilesAreTakenByNameWithoutAPreview)
{
    std::string emf(44, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    const struct {
        const char* Name;
        std::string Bytes;
        bool Taken;
    } cases[] = {{"p.wmf", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(18, '\0'), true},
                 {"p.EMF", emf, true},
                 {"plain.wmf", std::string("\x01\0\x09\0", 4) + std::string(14, '\0'), false},
                 {"short.emf", emf.substr(0, 20), false}};
    for (const auto& c : cases) {
        Dialog.Default();
        Messages.Clear();
        Temp.Write(c.Name, c.Bytes);
        Dialogs.PictureAnswer = Temp.File(c.Name);
        Dialog.Choose();
        const QString shown = Dialog.findChild<QLabel*>(QStringLiteral("lbPicture"))->text();
        if (c.Taken) {
            EXPECT_EQ(Dialog.ImagePath(), Temp.File(c.Name)) << c.Name;
            EXPECT_EQ(shown, QString::fromLatin1(c.Name) + QStringLiteral("\n\nNo preview for metafiles"));
            EXPECT_TRUE(Messages.Shown().empty()) << c.Name;
        } else {
            EXPECT_TRUE(Dialog.ImagePath().empty()) << c.Name;
            EXPECT_TRUE(ShowsDefault()) << c.Name;
            EXPECT_EQ(Messages.Shown().size(), 1u) << c.Name;
        }
    }
}

TEST_F(SetupImageTest, ChooseAndDefault)
{
    std::string good = WritePicture("good.bmp", "BMP", 185, 294);
    Dialogs.PictureAnswer = good;
    Dialog.Choose();
    EXPECT_EQ(Dialog.ImagePath(), good);

    // A file that does not load is reported and changes nothing.
    Temp.Write("broken.jpg", "not a picture");
    Dialogs.PictureAnswer = Temp.File("broken.jpg");
    Dialog.Choose();
    EXPECT_EQ(Dialog.ImagePath(), good);
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);

    // Cancelling the picture dialog changes nothing either.
    Dialogs.PictureAnswer.clear();
    Dialog.Choose();
    EXPECT_EQ(Dialog.ImagePath(), good);

    Dialog.findChild<QPushButton*>(QStringLiteral("btDefault"))->click();
    EXPECT_TRUE(Dialog.ImagePath().empty());
    EXPECT_TRUE(ShowsDefault());
}

TEST(SigningDialogTest, LoadsAndStoresTheSettingsButNeverThePassword)
{
    TScriptedMessages messages;
    TFakeFileDialogs dialogs;
    TfmSigning dialog(&dialogs, &messages);
    TSettings settings("Veltrin Installer Test", "signing");
    settings.WriteSetting("signpkcs12", "/keys/Caf\xE9.p12");
    settings.WriteSetting("signtimestamp", "http://ts.example.com");
    settings.WriteSetting("devicesignpkcs12", "/keys/device.p12");
    settings.WriteSetting("devicesigndigest", "sha256");
    dialog.SetFrom(settings, "pw", "device pw");
    auto edit = [&dialog](const char* name) { return dialog.findChild<QLineEdit*>(QString::fromLatin1(name)); };
    QLineEdit* certificate = edit("eCertificate");
    QLineEdit* password = edit("ePassword");
    QLineEdit* timestamp = edit("eTimestamp");
    QLineEdit* deviceCertificate = edit("eDeviceCertificate");
    QLineEdit* devicePassword = edit("eDevicePassword");
    QLineEdit* deviceTimestamp = edit("eDeviceTimestamp");
    auto* digest = dialog.findChild<QComboBox*>(QStringLiteral("cbDeviceDigest"));
    ASSERT_TRUE(certificate && password && timestamp && deviceCertificate && devicePassword && deviceTimestamp &&
                digest);
    EXPECT_EQ(certificate->text(), QStringLiteral("/keys/Caf\u00E9.p12"));
    EXPECT_EQ(timestamp->text(), QStringLiteral("http://ts.example.com"));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(deviceCertificate->text(), QStringLiteral("/keys/device.p12"));
    EXPECT_EQ(devicePassword->text(), QStringLiteral("device pw"));
    EXPECT_EQ(devicePassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(digest->currentData().toString(), QStringLiteral("sha256"));

    // Each browse button fills its own group's certificate.
    dialogs.AnyFileAnswer = "/other/cert.pfx";
    dialog.findChild<QPushButton*>(QStringLiteral("btBrowse"))->click();
    EXPECT_EQ(deviceCertificate->text(), QStringLiteral("/keys/device.p12"));
    dialogs.AnyFileAnswer = "/other/device.pfx";
    dialog.findChild<QPushButton*>(QStringLiteral("btDeviceBrowse"))->click();
    password->setText(QStringLiteral("new secret"));
    devicePassword->setText(QStringLiteral("new device secret"));
    timestamp->setText(QStringLiteral("  "));
    deviceTimestamp->setText(QStringLiteral("http://ts.example.org"));
    digest->setCurrentIndex(0);
    ASSERT_TRUE(dialog.StoreInto(settings));
    EXPECT_EQ(settings.ReadSetting("signpkcs12"), "/other/cert.pfx");
    EXPECT_EQ(settings.ReadSetting("signtimestamp"), "");
    EXPECT_EQ(settings.ReadSetting("devicesignpkcs12"), "/other/device.pfx");
    EXPECT_EQ(settings.ReadSetting("devicesigntimestamp"), "http://ts.example.org");
    EXPECT_EQ(settings.ReadSetting("devicesigndigest"), "sha1");
    EXPECT_EQ(dialog.Password(), "new secret");
    EXPECT_EQ(dialog.DevicePassword(), "new device secret");
    EXPECT_TRUE(messages.Shown().empty());

    // The passwords stay out of the saved settings.
    TempDir store;
    KeepSettingsIn(store.Path());
    settings.SaveSettings();
    std::string saved = store.Read("Veltrin Installer Test/signing.conf");
    EXPECT_NE(saved.find("/other/device.pfx"), std::string::npos);
    EXPECT_EQ(saved.find("secret"), std::string::npos);

    // A digest the builder does not offer shows as SHA-1.
    settings.WriteSetting("devicesigndigest", "md5");
    dialog.SetFrom(settings, "", "");
    EXPECT_EQ(digest->currentData().toString(), QStringLiteral("sha1"));

    // A path the settings cannot hold, in either group, is refused and
    // changes nothing.
    for (QLineEdit* refused : {certificate, deviceCertificate}) {
        QString kept = refused->text();
        timestamp->setText(QStringLiteral("http://changed.example.com"));
        refused->setText(QStringLiteral("/keys/\u4E2D.p12"));
        EXPECT_FALSE(dialog.StoreInto(settings));
        EXPECT_EQ(settings.ReadSetting("signpkcs12"), "/other/cert.pfx");
        EXPECT_EQ(settings.ReadSetting("signtimestamp"), "");
        EXPECT_EQ(settings.ReadSetting("devicesignpkcs12"), "/other/device.pfx");
        refused->setText(kept);
    }
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[1].Kind, TScriptedMessages::TShown::Error);

    // The groups repeat their captions; the device's controls must still
    // name themselves apart from the packages'.
    std::set<QString> names;
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(control) && !qobject_cast<QAbstractButton*>(control) &&
            !qobject_cast<QComboBox*>(control))
            continue;
        // Buttons without an accessible name name themselves by their text.
        QString name = control->accessibleName();
        if (auto* button = qobject_cast<QAbstractButton*>(control); button && name.isEmpty())
            name = button->text().remove(QLatin1Char('&'));
        EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
        EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0) << control->objectName().toStdString();
        EXPECT_TRUE(names.insert(name).second) << name.toStdString();
    }
}

TEST(ProgressTest, ReportSetsTextAndHoldsTheBarInRange)
{
    TfmProgress progress;
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Progress"));
    EXPECT_EQ(progress.Description(), QStringLiteral("Progress"));
    struct Case {
        int Given;
        int Shown;
    } cases[] = {{0, 0}, {57, 57}, {100, 100}, {-5, 0}, {250, 100}};
    for (const auto& c : cases) {
        progress.Report("Adding Setup.exe", c.Given);
        EXPECT_EQ(progress.Position(), c.Shown) << c.Given;
    }
    EXPECT_EQ(progress.Description(), QStringLiteral("Adding Setup.exe"));
}

TEST(AboutBoxTest, BuildLineCarriesTheVersionWhenThereIsOne)
{
    EXPECT_EQ(TAboutBox("1.0.0").BuildLine(), QStringLiteral("Build 1.0.0"));
    EXPECT_EQ(TAboutBox("").BuildLine(), QStringLiteral("Build"));
    EXPECT_EQ(TAboutBox("").windowTitle(), QStringLiteral("About Veltrin Installer"));
}

TEST(SplashTest, SizedByItsPictureAndShowsTheMainWindowWhenTimeIsUp)
{
    QWidget mainWindow;
    TfmSplash splash(&mainWindow);
    EXPECT_EQ(splash.size(), QSize(560, 233));
    auto* timer = Named<QTimer>(&splash, "Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 2000);
    EXPECT_TRUE(timer->isActive());
    splash.show();
    bool finished = false;
    QObject::connect(&splash, &TfmSplash::Finished, [&] { finished = true; });
    timer->setInterval(1);
    for (int i = 0; i < 200 && !finished; ++i)
        QTest::qWait(10);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
}

}
