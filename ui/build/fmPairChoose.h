#pragma once

// "Build Configuration": edits one build: its name, the platform/processor
// CAB files it carries and whether they are signed for the device, its
// wizard languages and default language, the setup type, the
// self-extractor's mode and the wizard's pages.

#include "package/BuildChoice.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class TBuild;
class TBuilds;
class TLanguageManager;
class TMessageService;

class TfmPairChoose : public QDialog {
    Q_OBJECT
public:
    explicit TfmPairChoose(TMessageService* messages, QWidget* parent = nullptr);

    // None of these are owned. Call SetPairs and SetLanguageManager before
    // SetBuild, which loads the controls from the build.
    void SetPairs(const TPairList* pairs);
    void SetBuilds(const TBuilds* builds);
    void SetLanguageManager(const TLanguageManager* manager);
    void SetBuild(TBuild* build);

    // OK: the dialog closes, and the build takes what it shows, only when
    // the checks pass; otherwise the refusal is shown and nothing changes.
    void BitBtn1Click();

    // The default language's id (0: no selection).
    int32_t SelectedDefaultLanguage() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* CreateGeneralPage();
    QWidget* CreateLanguagesPage();
    QWidget* CreateSetupPage();

    // Refills the default language list with the checked languages, keeping
    // the selection when its language is still among them.
    void lbLanguagesClickCheck();
    void FillDefaultLanguages(const std::vector<int32_t>& languages, int32_t selected);
    std::vector<int32_t> CheckedLanguages() const;
    // The checks before the dialog may close; false after showing a refusal.
    // name receives the build's new name.
    bool FormClose(std::string& name);
    void StoreBuild(const std::string& name);

    TMessageService* FMessages;
    const TPairList* FPairs = nullptr;
    const TBuilds* FBuilds = nullptr;
    const TLanguageManager* FLanguageManager = nullptr;
    TBuild* FBuild = nullptr;
    // The language id of each row of lbLanguages.
    std::vector<int32_t> FLanguageRows;
    bool FFilling = false;

    QTabWidget* FPages = nullptr;
    QLineEdit* eBuildName = nullptr;
    QListWidget* lbPairs = nullptr;
    QCheckBox* cbSignForDevice = nullptr;
    QListWidget* lbLanguages = nullptr;
    QComboBox* cbDefaultLanguage = nullptr;
    QComboBox* cbSetupType = nullptr;
    QButtonGroup* rgSFX = nullptr;
    QCheckBox* cbShowWelcome = nullptr;
    QCheckBox* cbShowEULA = nullptr;
    QCheckBox* cbShowFinish = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
};

// A pair as the build dialogs list it: "Pocket PC / StrongARM".
std::string PairItemText(const TPlatformProcPair& pair);
