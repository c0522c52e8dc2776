#include "ui/languages/frmMemoEditor.h"

#include "storage/Resource.h"
#include "storage/TextKeys.h"
#include "ui/languages/RichTextConvert.h"
#include "ui/parts/Named.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QShortcut>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Hints in the "short|long" form: the tool tip and the status bar text.
void Hint(QWidget* widget, const QString& hint)
{
    QStringList parts = hint.split(QLatin1Char('|'));
    widget->setToolTip(parts.first());
    widget->setStatusTip(parts.size() > 1 ? parts[1] : parts.first());
    widget->setAccessibleName(parts.first());
}

QToolButton* Toggle(const char* name, const QString& text, const QString& hint, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setCheckable(true);
    // Reached with Tab; a click leaves the focus (and the selection) in the text.
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoRaise(true);
    Hint(button, hint);
    return button;
}

} // namespace

TfrmMemoEditor::TfrmMemoEditor(const std::string& programDir, QWidget* parent) : QFrame(parent), FProgramDir(programDir)
{
    setObjectName(QStringLiteral("frmMemoEditor"));
    ChooseFont = [this](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        QFont font = QFontDialog::getFont(&ok, initial, this);
        return ok ? std::optional<QFont>(font) : std::nullopt;
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CreateToolBar());
    CreateEditor(layout);
    ConnectControls();
    setEnabled(false);
}

QWidget* TfrmMemoEditor::CreateToolBar()
{
    auto* bar = NewNamed<QWidget>("ToolBar1", this);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    barLayout->setSpacing(2);

    FontName = NewNamed<QComboBox>("FontName", bar);
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    families.removeDuplicates();
    FontName->addItems(families);
    FontName->setMinimumContentsLength(16);
    Hint(FontName, QStringLiteral("Font Name|Select font name"));
    FontSize = NewNamed<QSpinBox>("FontSize", bar);
    FontSize->setRange(1, 1638);
    Hint(FontSize, QStringLiteral("Font Size|Select font size"));
    FontButton = NewNamed<QToolButton>("FontButton", bar);
    FontButton->setText(QStringLiteral("Font..."));
    FontButton->setFocusPolicy(Qt::TabFocus);
    FontButton->setAutoRaise(true);
    Hint(FontButton, QStringLiteral("Font|Select the font of the selection"));
    BoldButton = Toggle("BoldButton", QStringLiteral("B"), QStringLiteral("Bold"), bar);
    ItalicButton = Toggle("ItalicButton", QStringLiteral("I"), QStringLiteral("Italic"), bar);
    UnderlineButton = Toggle("UnderlineButton", QStringLiteral("U"), QStringLiteral("Underline"), bar);
    QFont f = BoldButton->font();
    f.setBold(true);
    BoldButton->setFont(f);
    f = ItalicButton->font();
    f.setItalic(true);
    ItalicButton->setFont(f);
    f = UnderlineButton->font();
    f.setUnderline(true);
    UnderlineButton->setFont(f);
    LeftAlign = Toggle("LeftAlign", QStringLiteral("Left"), QStringLiteral("Align Left"), bar);
    CenterAlign = Toggle("CenterAlign", QStringLiteral("Center"), QStringLiteral("Center"), bar);
    RightAlign = Toggle("RightAlign", QStringLiteral("Right"), QStringLiteral("Align Right"), bar);
    FAlignGroup = new QButtonGroup(this);
    FAlignGroup->setExclusive(true);
    for (QToolButton* b : {LeftAlign, CenterAlign, RightAlign})
        FAlignGroup->addButton(b);
    BulletsButton = Toggle("BulletsButton", QString::fromUtf8("\xe2\x80\xa2 Bullets"),
                           QStringLiteral("Bullets|Enter bullet mode"), bar);
    for (QWidget* w :
         std::initializer_list<QWidget*>{FontName, FontSize, FontButton, BoldButton, ItalicButton, UnderlineButton,
                                         LeftAlign, CenterAlign, RightAlign, BulletsButton})
        barLayout->addWidget(w);
    barLayout->addStretch(1);
    return bar;
}

void TfrmMemoEditor::CreateEditor(QVBoxLayout* layout)
{
    RichEdit = NewNamed<QTextEdit>("RichEdit", this);
    RichEdit->setAcceptRichText(true);
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit->setTabChangesFocus(true);
    RichEdit->setAccessibleName(QStringLiteral("License agreement"));
    RichEdit->installEventFilter(this);
    layout->addWidget(RichEdit, 1);
    setFocusProxy(RichEdit);
}

void TfrmMemoEditor::ConnectControls()
{
    connect(RichEdit, &QTextEdit::currentCharFormatChanged, this, &TfrmMemoEditor::SelectionChange);
    connect(RichEdit, &QTextEdit::cursorPositionChanged, this, &TfrmMemoEditor::SelectionChange);
    connect(FontName, &QComboBox::activated, this, &TfrmMemoEditor::FontNameChange);
    connect(FontSize, &QSpinBox::valueChanged, this, &TfrmMemoEditor::FontSizeChange);
    connect(FontButton, &QToolButton::clicked, this, &TfrmMemoEditor::FontButtonClick);
    // Each style button sets its one attribute of the selection.
    auto styleButton = [this](QToolButton* button, void (*set)(QTextCharFormat&, bool)) {
        connect(button, &QToolButton::clicked, this, [this, set](bool on) {
            if (FUpdating)
                return;
            QTextCharFormat format;
            set(format, on);
            ApplyAttributes(format);
        });
    };
    styleButton(BoldButton, [](QTextCharFormat& f, bool on) { f.setFontWeight(on ? QFont::Bold : QFont::Normal); });
    styleButton(ItalicButton, [](QTextCharFormat& f, bool on) { f.setFontItalic(on); });
    styleButton(UnderlineButton, [](QTextCharFormat& f, bool on) { f.setFontUnderline(on); });
    // The usual keys of a word processor, while the editor has the focus.
    const std::pair<QToolButton*, QKeySequence> keys[] = {{BoldButton, QKeySequence::Bold},
                                                          {ItalicButton, QKeySequence::Italic},
                                                          {UnderlineButton, QKeySequence::Underline}};
    for (const auto& [button, sequence] : keys) {
        auto* shortcut = new QShortcut(sequence, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    }
    connect(LeftAlign, &QToolButton::clicked, this, [this] { AlignClick(Qt::AlignLeft); });
    connect(CenterAlign, &QToolButton::clicked, this, [this] { AlignClick(Qt::AlignHCenter); });
    connect(RightAlign, &QToolButton::clicked, this, [this] { AlignClick(Qt::AlignRight); });
    connect(BulletsButton, &QToolButton::clicked, this, &TfrmMemoEditor::BulletsClick);
}

void TfrmMemoEditor::SetResource(TResource* resource)
{
    SaveLicence();
    FResource = resource;
    Load();
}

void TfrmMemoEditor::SetLanguage(int32_t language)
{
    SaveLicence();
    FLanguage = language;
    if (FResource)
        Load();
}

void TfrmMemoEditor::Load()
{
    RichEdit->clear();
    FPath.clear();
    setEnabled(FResource && FResource->TextsFile());
    if (!isEnabled())
        return;
    std::string path = ProvideLicenceFile(FProjectFolder, FLanguage, *FResource->TextsFile(), FProgramDir);
    LoadLicence(path, *RichEdit->document());
    FPath = path;
    RichEdit->moveCursor(QTextCursor::Start);
    SelectionChange();
}

void TfrmMemoEditor::SaveLicence()
{
    // An untouched licence stays byte for byte as its author's program
    // wrote it; only what was edited here is written in our form.
    if (FPath.empty() || !RichEdit->document()->isModified())
        return;
    ::SaveLicence(FPath, *RichEdit->document());
    RichEdit->document()->setModified(false);
}

bool TfrmMemoEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RichEdit && event->type() == QEvent::FocusOut) {
        try {
            SaveLicence();
        } catch (const std::exception& e) {
            if (OnError)
                OnError(e.what());
        }
    }
    return QFrame::eventFilter(watched, event);
}

QTextCharFormat TfrmMemoEditor::CurrentAttributes() const
{
    QTextCursor cursor = RichEdit->textCursor();
    return cursor.hasSelection() ? cursor.charFormat() : RichEdit->currentCharFormat();
}

void TfrmMemoEditor::ApplyAttributes(const QTextCharFormat& format)
{
    // Merged into the selection when there is one, else into the format of
    // what is typed next.
    RichEdit->mergeCurrentCharFormat(format);
    SelectionChange();
}

void TfrmMemoEditor::SelectionChange()
{
    FUpdating = true;
    QTextCharFormat format = RichEdit->currentCharFormat();
    QTextCursor cursor = RichEdit->textCursor();
    BoldButton->setChecked(format.fontWeight() > QFont::Medium);
    ItalicButton->setChecked(format.fontItalic());
    UnderlineButton->setChecked(format.fontUnderline());
    BulletsButton->setChecked(cursor.currentList() != nullptr);
    QFont font = format.font();
    QStringList families = format.fontFamilies().toStringList();
    QString family = families.isEmpty() ? RichEdit->document()->defaultFont().family() : families.first();
    int index = FontName->findText(family, Qt::MatchFixedString);
    if (index < 0) {
        // A font this screen lacks still shows its name.
        FontName->addItem(family);
        index = FontName->count() - 1;
    }
    FontName->setCurrentIndex(index);
    double points =
        format.fontPointSize() > 0 ? format.fontPointSize() : RichEdit->document()->defaultFont().pointSizeF();
    FontSize->setValue(int(points + 0.5));
    Qt::Alignment align = RichEdit->alignment() & Qt::AlignHorizontal_Mask;
    (align & Qt::AlignHCenter ? CenterAlign : align & Qt::AlignRight ? RightAlign : LeftAlign)->setChecked(true);
    FUpdating = false;
}

void TfrmMemoEditor::FontNameChange()
{
    if (FUpdating)
        return;
    QTextCharFormat format;
    format.setFontFamilies({FontName->currentText()});
    ApplyAttributes(format);
}

void TfrmMemoEditor::FontSizeChange()
{
    if (FUpdating)
        return;
    QTextCharFormat format;
    format.setFontPointSize(FontSize->value());
    ApplyAttributes(format);
}

void TfrmMemoEditor::FontButtonClick()
{
    QTextCharFormat current = CurrentAttributes();
    QFont initial = current.font();
    if (current.fontFamilies().toStringList().isEmpty())
        initial.setFamilies({RichEdit->document()->defaultFont().family()});
    if (current.fontPointSize() <= 0)
        initial.setPointSizeF(RichEdit->document()->defaultFont().pointSizeF());
    if (std::optional<QFont> chosen = ChooseFont(initial)) {
        QTextCharFormat format;
        format.setFontFamilies({chosen->family()});
        format.setFontPointSize(chosen->pointSizeF() > 0 ? chosen->pointSizeF() : FontSize->value());
        format.setFontWeight(chosen->bold() ? QFont::Bold : QFont::Normal);
        format.setFontItalic(chosen->italic());
        format.setFontUnderline(chosen->underline());
        ApplyAttributes(format);
    }
    SelectionChange();
    RichEdit->setFocus();
}

void TfrmMemoEditor::AlignClick(Qt::Alignment align)
{
    if (FUpdating)
        return;
    RichEdit->setAlignment(align);
    SelectionChange();
}

void TfrmMemoEditor::BulletsClick()
{
    if (FUpdating)
        return;
    QTextCursor cursor = RichEdit->textCursor();
    cursor.beginEditBlock();
    if (cursor.currentList()) {
        // Every paragraph of the selection leaves the list.
        QTextBlock block = RichEdit->document()->findBlock(cursor.selectionStart());
        QTextBlock end = RichEdit->document()->findBlock(cursor.selectionEnd());
        for (;; block = block.next()) {
            if (block.textList())
                block.textList()->remove(block);
            QTextBlockFormat format = block.blockFormat();
            format.setIndent(0);
            QTextCursor(block).setBlockFormat(format);
            if (block == end || !block.isValid())
                break;
        }
    } else {
        cursor.createList(QTextListFormat::ListDisc);
    }
    cursor.endEditBlock();
    SelectionChange();
}
