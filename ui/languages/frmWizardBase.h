#pragma once

// One page of the setup wizard's preview: the texts of one language, read
// from the project's texts file. The pages are the welcome, licence and
// finish pages (TfrmWelcome, TfrmLicense, TfrmFinish).

#include <QFrame>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class TScrambeledMemIniFile;

// A wizard text of the language as the setup wizard finds it: a text missing
// or empty there comes from "Neutral", and one empty there too is fallback.
QString WizardPreviewText(const TScrambeledMemIniFile* textsFile, int32_t language, const std::string& key,
                          const QString& fallback);

class TfrmWizardBase : public QFrame {
    Q_OBJECT
public:
    TfrmWizardBase(int32_t pageNumber, QWidget* parent);

    // Stores the language, fills the paragraphs and arranges the page.
    virtual void SetLanguage(int32_t language);
    virtual void SetDesignMode(bool value) { FDesignMode = value; }

    void SetTextsFile(TScrambeledMemIniFile* textsFile) { FTextsFile = textsFile; }
    void SetProjectFolder(const std::string& folder) { FProjectFolder = folder; }
    void SetAppName(const std::string& name) { FAppName = name; }
    void SetCompanyName(const std::string& name) { FCompanyName = name; }

    int32_t PageNumber() const { return FPageNumber; }
    int32_t Language() const { return FLanguage; }

protected:
    // The key's text in the page's language, as the setup wizard finds it:
    // a text missing or empty there comes from "Neutral", and one empty
    // there too is the fallback (the wizard's own built-in text).
    QString Text(const char* key, const QString& fallback = QString()) const;
    // A paragraph of the page that shows the key's text in the page's
    // language: word-wrapped, from the top left; bold for a heading.
    QLabel* AddParagraph(const char* objectName, const char* key, bool bold = false);
    // Places the page's controls for its width; runs after a resize and
    // after the texts of a language came.
    virtual void Arrange() {}
    void resizeEvent(QResizeEvent* event) override;

    int32_t FLanguage = 0;
    TScrambeledMemIniFile* FTextsFile = nullptr;
    bool FDesignMode = false;
    std::string FProjectFolder;
    std::string FAppName;
    std::string FCompanyName;
    int32_t FPageNumber;

private:
    std::vector<std::pair<QLabel*, const char*>> FParagraphs;
};
