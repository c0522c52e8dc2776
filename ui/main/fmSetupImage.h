#pragma once

// "Setup Image": the picture the desktop setup wizard shows beside its pages.
// An empty image path means the built-in default picture.

#include <QDialog>

#include <string>

class QLabel;
class TFileDialogs;
class TMessageService;

class TfmSetupImage : public QDialog {
    Q_OBJECT
public:
    TfmSetupImage(TFileDialogs* dialogs, TMessageService* messages, QWidget* parent = nullptr);

    // Shows the picture of the file, or the default picture when the path is
    // empty or names no file (the path then becomes empty).
    void SetImage(const std::string& path);
    const std::string& ImagePath() const { return FImagePath; }

    void Default();
    // Asks for a picture file and shows it. A file that cannot be read is
    // reported and leaves the path as it was.
    void Choose();
    // Loads a picture file into the frame (host path); raises Exception with
    // the reason when it cannot.
    void LoadPicture(const std::string& path);

    // What the frame shows; a metafile shows its name instead of a picture.
    QPixmap Picture() const;

private:
    void ShowMetafile(const std::string& path);

    TFileDialogs* FDialogs;
    TMessageService* FMessages;
    QLabel* FPicture;
    std::string FImagePath;
};
