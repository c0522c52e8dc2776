// The Registry tab's key tree and value list, the value editors opened
// through the model's edit hook, and the DWORD edit's typing rules.

#include "FakeServices.h"

#include "model/Project.h"
#include "ui/parts/CheckList.h"
#include "ui/main/EditorHooks.h"
#include "ui/registry/VeltrinEdit.h"
#include "hexedit/HexEditor.h"
#include "ui/registry/fmDWORDEditor.h"
#include "ui/registry/fmHexValueEditror.h"
#include "ui/registry/fmMultyStringsEditor.h"
#include "ui/registry/fmStringEditor.h"
#include "ui/registry/frmRegKeys.h"
#include "ui/registry/frmRegistry.h"
#include "ui/registry/frmValues.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

TVeltrinEdit* DwordEdit(QDialog& dialog)
{
    return dialog.findChild<TVeltrinEdit*>(QStringLiteral("eData"));
}

// ---- TVeltrinEdit ---------------------------------------------------------

TEST(VeltrinEditTest, TypedHexIsUpperCasedAndShownInDecimalAfterTheSwitch)
{
    TVeltrinEdit edit;
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("ff"));
    EXPECT_EQ(edit.text(), QStringLiteral("FF"));
    edit.SetBase(TVeltrinEdit::bDecimal);
    EXPECT_EQ(edit.text(), QStringLiteral("255"));
    edit.SetBase(TVeltrinEdit::bHexadecimal);
    EXPECT_EQ(edit.text(), QStringLiteral("FF"));
}

TEST(VeltrinEditTest, AllBitsSetShowMinusOneInDecimalAndTheMinusCannotBeTypedAgain)
{
    TVeltrinEdit edit;
    edit.SetValue(0xFFFFFFFFu);
    EXPECT_EQ(edit.text(), QStringLiteral("FFFFFFFF"));
    edit.SetBase(TVeltrinEdit::bDecimal);
    EXPECT_EQ(edit.text(), QStringLiteral("-1"));
    EXPECT_EQ(edit.GetValue(), 0xFFFFFFFFu);
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("-5"));
    EXPECT_EQ(edit.text(), QStringLiteral("5"));
}

TEST(VeltrinEditTest, TypingStopsAtTenDecimalAndNineHexCharactersAndTakesOnlyDigitsOfTheBase)
{
    TVeltrinEdit edit;
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("12g3456789ABCx"));
    EXPECT_EQ(edit.text(), QStringLiteral("123456789"));
    edit.setText(QStringLiteral("1"));
    edit.SetBase(TVeltrinEdit::bDecimal);
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("1a2345678901"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234567890"));
    // Backspace always passes, also at the limit.
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("123456789"));
}

struct ReadRow {
    TVeltrinEdit::TBase Base;
    const char* Text;
    bool Valid;
    uint32_t Value;
};

void PrintTo(const ReadRow& row, std::ostream* os)
{
    *os << (row.Base == TVeltrinEdit::bHexadecimal ? "hex '" : "decimal '") << row.Text << "'";
}

class VeltrinEditReadTest : public ::testing::TestWithParam<ReadRow> {};

TEST_P(VeltrinEditReadTest, ReadsTheWholeDwordRangeAndNamesTheTextItCannotRead)
{
    const ReadRow& row = GetParam();
    TVeltrinEdit edit;
    edit.setText(QStringLiteral("0"));
    edit.SetBase(row.Base);
    edit.setText(QString::fromLatin1(row.Text));
    if (row.Valid) {
        EXPECT_EQ(edit.GetValue(), row.Value);
        return;
    }
    std::string shown = (row.Base == TVeltrinEdit::bHexadecimal ? "$" : "") + std::string(row.Text);
    try {
        edit.GetValue();
        ADD_FAILURE() << "read " << row.Text;
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "'" + shown + "' is not a valid integer value");
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, VeltrinEditReadTest,
    ::testing::Values(ReadRow{TVeltrinEdit::bDecimal, "4294967295", true, 0xFFFFFFFFu},
                      ReadRow{TVeltrinEdit::bDecimal, "-2147483648", true, 0x80000000u},
                      ReadRow{TVeltrinEdit::bDecimal, "2147483648", true, 0x80000000u},
                      ReadRow{TVeltrinEdit::bDecimal, "4294967296", false, 0},
                      ReadRow{TVeltrinEdit::bDecimal, "-2147483649", false, 0},
                      ReadRow{TVeltrinEdit::bDecimal, "", false, 0},
                      ReadRow{TVeltrinEdit::bHexadecimal, "FFFFFFFF", true, 0xFFFFFFFFu},
                      ReadRow{TVeltrinEdit::bHexadecimal, "0", true, 0},
                      ReadRow{TVeltrinEdit::bHexadecimal, "", false, 0},
                      ReadRow{TVeltrinEdit::bHexadecimal, "100000000", false, 0}));
// clang-format on

TEST(VeltrinEditTest, BaseSwitchOfUnreadableTextKeepsTextAndBase)
{
    TVeltrinEdit edit;
    edit.SetBase(TVeltrinEdit::bDecimal);
    edit.setText(QStringLiteral("9999999999"));
    EXPECT_THROW(edit.SetBase(TVeltrinEdit::bHexadecimal), std::exception);
    EXPECT_EQ(edit.text(), QStringLiteral("9999999999"));
    EXPECT_EQ(edit.Base(), TVeltrinEdit::bDecimal);
}

// ---- the value editors ----------------------------------------------------

struct TypeErrorRow {
    uint32_t EditorType;
    uint32_t ValueType;
    const char* Message;
};

void PrintTo(const TypeErrorRow& row, std::ostream* os)
{
    *os << row.Message;
}

class EditorTypeErrorTest : public ::testing::TestWithParam<TypeErrorRow> {};

TEST_P(EditorTypeErrorTest, EditorRefusesAValueOfAnotherType)
{
    const TypeErrorRow& row = GetParam();
    TScriptedMessages messages;
    std::unique_ptr<TfmValueEditor> editor;
    if (row.EditorType == vtString)
        editor = std::make_unique<TfmStringEditor>(&messages);
    else if (row.EditorType == vtMultiString)
        editor = std::make_unique<TfmMultyStringsEditor>(&messages);
    else
        editor = std::make_unique<TfmDWORDEditor>(&messages);
    TValue value(row.ValueType);
    value.SetName("Other");
    try {
        editor->LoadValue(&value);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), row.Message);
    }
    EXPECT_EQ(editor->Value(), nullptr);
    EXPECT_FALSE(editor->windowTitle().contains(QStringLiteral("Other")));
}

INSTANTIATE_TEST_SUITE_P(Rows, EditorTypeErrorTest,
                         ::testing::Values(TypeErrorRow{vtString, vtDWord, "This is not a string type!"},
                                           TypeErrorRow{vtMultiString, vtString, "This is not an multystring type!"},
                                           TypeErrorRow{vtDWord, vtBinary, "This is not a DWORD type!"}));

TEST(ValueEditorsTest, StringEditorShowsAndStoresDataPlatformsProcessorAndNoOverwrite)
{
    TScriptedMessages messages;
    TfmStringEditor editor(&messages);
    TValue value(vtString);
    value.SetIsDefault(true);
    value.SetStringData("old");
    TPlatforms two;
    two.Include(TPlatform(1));
    two.Include(TPlatform(3));
    value.SetPlatforms(two);
    value.SetProcessor(TProcessor(4));
    editor.LoadValue(&value);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("String Value: (Default)"));
    auto* data = editor.findChild<QLineEdit*>(QStringLiteral("eData"));
    EXPECT_EQ(data->text(), QStringLiteral("old"));
    auto* platforms = editor.findChild<TCheckList*>(QStringLiteral("clbPlatforms"));
    EXPECT_TRUE(platforms->IsChecked(1));
    EXPECT_FALSE(platforms->IsChecked(0));
    EXPECT_EQ(editor.findChild<QComboBox*>(QStringLiteral("cbProcessor"))->currentIndex(), 4);

    data->setText(QStringLiteral("new"));
    platforms->SetChecked(1, false);
    platforms->SetChecked(3, false);
    editor.findChild<QComboBox*>(QStringLiteral("cbProcessor"))->setCurrentIndex(2);
    editor.findChild<QAbstractButton*>(QStringLiteral("cbNoClobber"))->setChecked(true);
    EXPECT_EQ(Press(editor, "btOK"), QDialog::Accepted);
    EXPECT_EQ(value.StringData(), "new");
    // No check of any kind: a value may end with no platform.
    EXPECT_TRUE(value.Platforms().Empty());
    EXPECT_EQ(value.Processor(), TProcessor(2));
    EXPECT_TRUE(value.NoClobber());
}

TEST(ValueEditorsTest, MultiStringEditorKeepsOneStringPerLine)
{
    TScriptedMessages messages;
    TfmMultyStringsEditor editor(&messages);
    TValue value(vtMultiString);
    value.SetName("Paths");
    value.Strings() = {"x"};
    editor.LoadValue(&value);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Multystring Value:Paths"));
    editor.findChild<QPlainTextEdit*>(QStringLiteral("mmData"))->setPlainText(QStringLiteral("a\nb\n"));
    EXPECT_EQ(Press(editor, "btOK"), QDialog::Accepted);
    EXPECT_EQ(value.Strings(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(value.GetDataText(), "a,b,");
}

TEST(ValueEditorsTest, DwordEditorKeepsItsDialogOpenAndStoresNothingForUnreadableText)
{
    TScriptedMessages messages;
    TfmDWORDEditor editor(&messages);
    TValue value(vtDWord);
    value.SetName("Count");
    value.SetDwordData(0x2A);
    value.SetNoClobber(false);
    editor.LoadValue(&value);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("DWORD Value: Count"));
    EXPECT_EQ(DwordEdit(editor)->text(), QStringLiteral("2A"));
    DwordEdit(editor)->clear();
    editor.findChild<QAbstractButton*>(QStringLiteral("cbNoClobber"))->setChecked(true);
    EXPECT_NE(Press(editor, "btOK"), QDialog::Accepted);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"'$' is not a valid integer value."});
    EXPECT_EQ(value.DwordData(), 0x2Au);
    EXPECT_FALSE(value.NoClobber());
}

TEST(ValueEditorsTest, DwordEditorBaseChoiceRewritesTheTextAndFallsBackWhenItCannot)
{
    TScriptedMessages messages;
    TfmDWORDEditor editor(&messages);
    TValue value(vtDWord);
    value.SetDwordData(0xFFFFFFFFu);
    editor.LoadValue(&value);
    auto* decimal = editor.findChild<QRadioButton*>(QStringLiteral("rbDecimal"));
    auto* hex = editor.findChild<QRadioButton*>(QStringLiteral("rbHexadecimal"));
    EXPECT_TRUE(hex->isChecked());
    decimal->click();
    EXPECT_EQ(DwordEdit(editor)->text(), QStringLiteral("-1"));
    DwordEdit(editor)->setText(QStringLiteral("4294967295"));
    EXPECT_EQ(Press(editor, "btOK"), QDialog::Accepted);
    EXPECT_EQ(value.DwordData(), 0xFFFFFFFFu);

    DwordEdit(editor)->setText(QStringLiteral("9999999999"));
    hex->click();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"'9999999999' is not a valid integer value."});
    EXPECT_TRUE(decimal->isChecked());
    EXPECT_EQ(DwordEdit(editor)->Base(), TVeltrinEdit::bDecimal);
}

// ---- the Registry tab -----------------------------------------------------

class RegistryTabTest : public ::testing::Test {
protected:
    void SetUp() override { Frame.SetProject(&Project); }

    QTreeWidget* Tree() { return Frame.Keys()->Tree(); }
    QTableWidget* List() { return Frame.Values()->List(); }
    QAction* KeyAction(const char* name) { return Frame.Keys()->findChild<QAction*>(QString::fromLatin1(name)); }
    QAction* ValueAction(const char* name) { return Frame.Values()->findChild<QAction*>(QString::fromLatin1(name)); }
    QTreeWidgetItem* Top(int index) { return Tree()->topLevelItem(index); }
    QTreeWidgetItem* Software() { return Top(1)->child(0); }

    // An author key "App" under HKEY_CURRENT_USER\Software, selected.
    TRegKey* AddAppKey()
    {
        Tree()->setCurrentItem(Software());
        KeyAction("miNewKey")->trigger();
        QTreeWidgetItem* item = Tree()->currentItem();
        Tree()->closePersistentEditor(item);
        item->setText(0, QStringLiteral("App"));
        return Frame.Keys()->SelectedKey();
    }

    void SelectRows(std::initializer_list<int> rows)
    {
        List()->clearSelection();
        for (int row : rows)
            List()->selectionModel()->select(List()->model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Frame.Values()->UpdateCommands();
    }

    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    TModalRunner Runner;
    TEditorHooks Hooks{&Messages, &Dialogs, nullptr, &Runner};
    TProject Project{"Firm"};
    TfrmRegistry Frame{&Messages};
};

TEST_F(RegistryTabTest, NewProjectShowsThePredefinedKeysAndTheFirstKeysDefaultValue)
{
    ASSERT_EQ(Tree()->topLevelItemCount(), 3);
    EXPECT_EQ(Top(0)->text(0), QStringLiteral("HKEY_CLASSES_ROOT"));
    EXPECT_EQ(Top(1)->text(0), QStringLiteral("HKEY_CURRENT_USER"));
    ASSERT_EQ(Top(1)->childCount(), 1);
    EXPECT_EQ(Software()->text(0), QStringLiteral("Software"));
    EXPECT_EQ(Top(2)->text(0), QStringLiteral("HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(Tree()->currentItem(), Top(0));
    ASSERT_EQ(List()->rowCount(), 1);
    EXPECT_EQ(List()->item(0, 0)->text(), QStringLiteral("(Default)"));
    EXPECT_EQ(List()->item(0, 1)->text(), QStringLiteral("REG_SZ"));
    EXPECT_EQ(List()->horizontalHeaderItem(2)->text(), QStringLiteral("Data"));
}

struct MenuRow {
    const char* Node; // "top", "software" or "author"
    bool NewValues;
    bool RenameDelete;
};

void PrintTo(const MenuRow& row, std::ostream* os)
{
    *os << row.Node;
}

class RegistryMenuTest : public RegistryTabTest, public ::testing::WithParamInterface<MenuRow> {};

TEST_P(RegistryMenuTest, KeyMenuFollowsTheSelectedKey)
{
    const MenuRow& row = GetParam();
    std::string node = row.Node;
    if (node == "author")
        AddAppKey();
    else
        Tree()->setCurrentItem(node == "top" ? Top(2) : Software());
    Frame.Keys()->UpdateCommands();
    EXPECT_TRUE(KeyAction("miNewKey")->isEnabled());
    for (const char* name : {"miNewString", "miNewMultiString", "miNewDword", "miNewBinary"})
        EXPECT_EQ(KeyAction(name)->isEnabled(), row.NewValues) << name;
    EXPECT_EQ(KeyAction("miRename")->isEnabled(), row.RenameDelete);
    EXPECT_EQ(KeyAction("miDelete")->isEnabled(), row.RenameDelete);
    // Predefined keys keep their names, whatever reaches the node.
    bool editable = Tree()->currentItem()->flags().testFlag(Qt::ItemIsEditable);
    EXPECT_EQ(editable, row.RenameDelete);
    TRegKey* key = Frame.Keys()->SelectedKey();
    std::string before = key->Name();
    Tree()->currentItem()->setText(0, QStringLiteral("Renamed"));
    EXPECT_EQ(key->Name(), row.RenameDelete ? std::string("Renamed") : before);
    Frame.Values()->UpdateCommands();
    EXPECT_EQ(ValueAction("miNewDword")->isEnabled(), row.NewValues);
}

INSTANTIATE_TEST_SUITE_P(Rows, RegistryMenuTest,
                         ::testing::Values(MenuRow{"top", false, false}, MenuRow{"software", true, false},
                                           MenuRow{"author", true, true}));

TEST_F(RegistryTabTest, NewKeyIsAppendedSelectedAndNamedNewKey)
{
    TRegKey* software = Frame.Keys()->SelectedKey();
    Tree()->setCurrentItem(Software());
    software = Frame.Keys()->SelectedKey();
    KeyAction("miNewKey")->trigger();
    ASSERT_EQ(software->SubKeyCount(), 1);
    TRegKey* key = software->GetSubKey(0);
    EXPECT_EQ(key->Name(), "New Key");
    EXPECT_EQ(key->ShortName(), "New Key");
    EXPECT_FALSE(key->IsSystem());
    EXPECT_EQ(Frame.Keys()->SelectedKey(), key);
    EXPECT_TRUE(Software()->isExpanded());
    EXPECT_EQ(List()->rowCount(), 1);
}

TEST_F(RegistryTabTest, NewValueIsNamedAfterItsTypeAndKeptOnlyWithOk)
{
    TRegKey* key = AddAppKey();
    int shown = 0;
    Runner = [&](QDialog& dialog) {
        ++shown;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("DWORD Value: New REG_DWORD value"));
        return Press(dialog, "btCancel");
    };
    KeyAction("miNewDword")->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(key->Values().Count(), 1);
    EXPECT_EQ(List()->rowCount(), 1);

    Runner = [&](QDialog& dialog) {
        DwordEdit(dialog)->setText(QStringLiteral("FF"));
        return Press(dialog, "btOK");
    };
    ValueAction("miNewDword")->trigger();
    ASSERT_EQ(key->Values().Count(), 2);
    EXPECT_EQ(key->Values().Item(1)->Name(), "New REG_DWORD value");
    EXPECT_EQ(key->Values().Item(1)->DwordData(), 0xFFu);
    ASSERT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(List()->item(1, 0)->text(), QStringLiteral("New REG_DWORD value"));
    EXPECT_EQ(List()->item(1, 1)->text(), QStringLiteral("REG_DWORD"));
    EXPECT_EQ(List()->item(1, 2)->text(), QString::fromLatin1(key->Values().Item(1)->GetDataText().c_str()));
}

TEST_F(RegistryTabTest, BinaryValueIsTypedIntoTheHexEditorAndShownAsItsBytes)
{
    TRegKey* key = AddAppKey();
    Runner = [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Binary Value: New REG_BINARY value"));
        auto* hex = dialog.findChild<THexEditor*>(QStringLiteral("heData"));
        EXPECT_EQ(hex->BytesPerLine(), 8);
        EXPECT_EQ(hex->OffsetDisplay(), odDec);
        EXPECT_EQ(hex->Translation(), ttASCII);
        QTest::keyClick(hex, Qt::Key_Insert);
        QTest::keyClicks(hex, QStringLiteral("0a00ff"));
        return Press(dialog, "btOK");
    };
    KeyAction("miNewBinary")->trigger();
    ASSERT_EQ(key->Values().Count(), 2);
    EXPECT_EQ(key->Values().Item(1)->BinaryData(), (std::vector<uint8_t>{0x0A, 0x00, 0xFF}));
    EXPECT_EQ(List()->item(1, 2)->text(), QStringLiteral("A, 0, FF"));

    // Modify shows the bytes again; overwriting one keeps the length.
    Runner = [](QDialog& dialog) {
        auto* hex = dialog.findChild<THexEditor*>(QStringLiteral("heData"));
        EXPECT_EQ(hex->DataSize(), 3);
        QTest::keyClicks(hex, QStringLiteral("1"));
        return Press(dialog, "btOK");
    };
    SelectRows({1});
    ValueAction("miModify")->trigger();
    EXPECT_EQ(key->Values().Item(1)->BinaryData(), (std::vector<uint8_t>{0x1A, 0x00, 0xFF}));
}

TEST_F(RegistryTabTest, DwordTextThatCannotBeReadAddsNoValue)
{
    TRegKey* key = AddAppKey();
    Runner = [&](QDialog& dialog) {
        DwordEdit(dialog)->clear();
        if (Press(dialog, "btOK") == QDialog::Accepted)
            return int(QDialog::Accepted);
        return Press(dialog, "btCancel");
    };
    KeyAction("miNewDword")->trigger();
    EXPECT_EQ(key->Values().Count(), 1);
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"'$' is not a valid integer value."});
}

TEST_F(RegistryTabTest, DefaultValueCanBeModifiedButNeitherRenamedNorDeleted)
{
    TRegKey* key = AddAppKey();
    Runner = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("eData"))->setText(QStringLiteral("hello"));
        return Press(dialog, "btOK");
    };
    KeyAction("miNewString")->trigger();
    ASSERT_EQ(List()->rowCount(), 2);

    SelectRows({0});
    EXPECT_TRUE(ValueAction("miModify")->isEnabled());
    EXPECT_FALSE(ValueAction("miRename")->isEnabled());
    EXPECT_FALSE(ValueAction("miDelete")->isEnabled());
    EXPECT_FALSE(List()->item(0, 0)->flags().testFlag(Qt::ItemIsEditable));
    SelectRows({0, 1});
    EXPECT_FALSE(ValueAction("miModify")->isEnabled());
    EXPECT_FALSE(ValueAction("miDelete")->isEnabled());
    ValueAction("miDelete")->trigger();
    EXPECT_EQ(key->Values().Count(), 2);

    SelectRows({0});
    ValueAction("miModify")->trigger();
    EXPECT_EQ(key->Values().Item(0)->StringData(), "hello");
    EXPECT_EQ(List()->item(0, 2)->text(), QStringLiteral("hello"));

    SelectRows({1});
    EXPECT_TRUE(ValueAction("miRename")->isEnabled());
    List()->item(1, 0)->setText(QStringLiteral("Greeting"));
    EXPECT_EQ(key->Values().Item(1)->Name(), "Greeting");
    List()->item(1, 0)->setText(QString());
    EXPECT_EQ(key->Values().Item(1)->Name(), "Greeting");
    EXPECT_EQ(List()->item(1, 0)->text(), QStringLiteral("Greeting"));
    ValueAction("miDelete")->trigger();
    EXPECT_EQ(key->Values().Count(), 1);
    EXPECT_EQ(List()->rowCount(), 1);
}

TEST_F(RegistryTabTest, KeyDeletedWhileItsValuesAreShownTakesItsBranchAndShowsTheParent)
{
    TRegKey* app = AddAppKey();
    Runner = [](QDialog& dialog) { return Press(dialog, "btOK"); };
    KeyAction("miNewKey")->trigger();
    TRegKey* sub = Frame.Keys()->SelectedKey();
    KeyAction("miNewString")->trigger();
    KeyAction("miNewMultiString")->trigger();
    ASSERT_EQ(sub->Values().Count(), 3);
    ASSERT_EQ(List()->rowCount(), 3);

    Frame.Keys()->SelectKey(app);
    Frame.Keys()->SelectKey(sub);
    TRegKey* software = app->Parent();
    Frame.Keys()->SelectKey(app);
    KeyAction("miDelete")->trigger();
    EXPECT_EQ(software->SubKeyCount(), 0);
    EXPECT_EQ(Frame.Keys()->SelectedKey(), software);
    EXPECT_EQ(Software()->childCount(), 0);
    ASSERT_EQ(List()->rowCount(), software->Values().Count());
    EXPECT_EQ(Frame.Values()->RowValue(0), software->Values().Item(0));
}

TEST_F(RegistryTabTest, DeletingTheShownKeyDirectlyLeavesNoRowOfItsValues)
{
    AddAppKey();
    Runner = [](QDialog& dialog) { return Press(dialog, "btOK"); };
    KeyAction("miNewKey")->trigger();
    TRegKey* sub = Frame.Keys()->SelectedKey();
    TRegKey* app = sub->Parent();
    KeyAction("miNewString")->trigger();
    ASSERT_EQ(List()->rowCount(), 2);
    KeyAction("miDelete")->trigger();
    EXPECT_EQ(Frame.Keys()->SelectedKey(), app);
    ASSERT_EQ(List()->rowCount(), 1);
    EXPECT_EQ(Frame.Values()->RowValue(0), app->Values().Item(0));
}

TEST_F(RegistryTabTest, EveryControlOfTheTabAndTheEditorsHasAnAccessibleName)
{
    EXPECT_FALSE(Tree()->accessibleName().isEmpty());
    EXPECT_FALSE(List()->accessibleName().isEmpty());
    TfmStringEditor string(&Messages);
    TfmMultyStringsEditor multi(&Messages);
    TfmDWORDEditor dword(&Messages);
    TfmHexValueEditror binary(&Messages);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&string, &multi, &dword, &binary}) {
        for (QWidget* widget : dialog->findChildren<QWidget*>()) {
            if (widget->focusPolicy() == Qt::NoFocus || widget->inherits("QAbstractButton"))
                continue;
            if (widget->inherits("QLineEdit") && widget->parentWidget() &&
                widget->parentWidget()->inherits("QComboBox"))
                continue;
            if (widget->objectName().startsWith(QStringLiteral("qt_")))
                continue;
            EXPECT_FALSE(widget->accessibleName().isEmpty())
                << dialog->objectName().toStdString() << " " << widget->metaObject()->className() << " "
                << widget->objectName().toStdString();
        }
    }
}

}
