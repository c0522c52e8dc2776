#pragma once

// The licence editor of the Languages tab: a formatting toolbar above a
// rich-text box that holds the licence file of the language being edited.
// The file is loaded when the resource or the language changes (made from
// the default licence when missing) and written back as Rich Text Format
// when the box loses the focus.

#include <QFrame>

#include <QTextCharFormat>

class QVBoxLayout;

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QButtonGroup;
class QComboBox;
class QSpinBox;
class QTextEdit;
class QToolButton;
class TResource;

class TfrmMemoEditor : public QFrame {
    Q_OBJECT
public:
    // programDir holds the default licence.
    explicit TfrmMemoEditor(const std::string& programDir, QWidget* parent = nullptr);

    void SetResource(TResource* resource);
    void SetLanguage(int32_t language);
    void SetProjectFolder(const std::string& folder) { FProjectFolder = folder; }

    // The attributes the toolbar changes: the selection's when there is
    // one, else those of the text typed next.
    QTextCharFormat CurrentAttributes() const;
    // Writes the box to its licence file when it holds changes.
    void SaveLicence();
    // The file the box shows; empty while no licence is loaded.
    const std::string& LicencePath() const { return FPath; }

    // Asks for a font starting from the given one; tests answer without a
    // dialog. The default opens the font dialog.
    std::function<std::optional<QFont>(const QFont& initial)> ChooseFont;
    // Where a failed write goes when the box loses the focus (nothing may
    // escape from there); the window shows it in its error box.
    std::function<void(const std::string& message)> OnError;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateToolBar();
    void CreateEditor(QVBoxLayout* layout);
    void ConnectControls();
    void Load();
    void SelectionChange();
    void ApplyAttributes(const QTextCharFormat& format);
    void FontNameChange();
    void FontSizeChange();
    void FontButtonClick();
    void AlignClick(Qt::Alignment align);
    void BulletsClick();

    std::string FProgramDir;
    TResource* FResource = nullptr;
    int32_t FLanguage = 0;
    std::string FProjectFolder;
    std::string FPath;
    bool FUpdating = false;

    QComboBox* FontName;
    QSpinBox* FontSize;
    QToolButton* FontButton;
    QToolButton* BoldButton;
    QToolButton* ItalicButton;
    QToolButton* UnderlineButton;
    QToolButton* LeftAlign;
    QToolButton* CenterAlign;
    QToolButton* RightAlign;
    QToolButton* BulletsButton;
    QButtonGroup* FAlignGroup;
    QTextEdit* RichEdit;
};
