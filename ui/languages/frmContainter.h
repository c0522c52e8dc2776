#pragma once

// The preview of the desktop setup wizard on the Languages tab: the
// wizard's frame (heading band, picture, page area, buttons) around the
// welcome, licence and finish pages, with the texts of one language. In
// design mode all three pages stay and Finish and Cancel do nothing.

#include <QFrame>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QWidget;
class TScrambeledMemIniFile;
class TfrmWizardBase;

class TfrmContainter : public QFrame {
    Q_OBJECT
public:
    // programDir holds the default licence (see TfrmLicense).
    explicit TfrmContainter(const std::string& programDir, QWidget* parent = nullptr);
    ~TfrmContainter() override;

    // New welcome, licence and finish pages in place of the old ones.
    void RecreatePages();
    void AddPage(TfrmWizardBase* page);
    // Shows the page with the number (1 welcome, 2 licence, 3 finish).
    void ShowPageNumber(int32_t number);
    void ShowPage(int index);
    void UpdateButtons();
    bool CanGoNext() const;
    bool CanFinish() const;
    void EnableNext();
    void DisableNext();

    void SetLanguage(int32_t language);
    void SetTextsFile(TScrambeledMemIniFile* textsFile);
    void SetProjectFolder(const std::string& folder);
    void SetAppName(const std::string& name);
    void SetCompanyName(const std::string& name);

    // Where a failure of a button's page change goes (a licence file that
    // cannot be read); the window shows it in its error box.
    std::function<void(const std::string& message)> OnError;

    void SetDesignMode(bool value) { FDesignMode = value; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateTopBand();
    QWidget* CreateMiddle();
    QWidget* CreateButtons();
    // Keeps the value and hands it to every page.
    void SetOnPages(std::string& field, const std::string& value, void (TfrmWizardBase::*set)(const std::string&));
    QString Text(const std::string& key, const QString& fallback) const;
    void Next();
    void Back();
    void Step(int delta);

    std::string FProgramDir;
    bool FDesignMode = false;
    // Owned through their Qt parent, the page area; deleted in RecreatePages.
    std::vector<TfrmWizardBase*> FPages;
    int FCurrentPage = 0;
    int32_t FLanguage = 0;
    TScrambeledMemIniFile* FTextsFile = nullptr;
    std::string FProjectFolder;
    std::string FCompanyName;
    std::string FAppName;

    QLabel* lTopString;
    QLabel* Image1;
    QWidget* pContainer;
    QWidget* pButtons;
    QLabel* lbAppName1;
    QPushButton* btBack;
    QPushButton* btNext;
    QPushButton* btFinish;
    QPushButton* btCancel;
};
