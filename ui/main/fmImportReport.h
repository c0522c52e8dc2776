#pragma once

// "Import Report": what an import mapped differently and what it could not
// map, as the command line prints it; the text can be selected and copied
// whole.

#include <QDialog>

class QPlainTextEdit;

class TfmImportReport : public QDialog {
    Q_OBJECT
public:
    explicit TfmImportReport(const QString& text, QWidget* parent = nullptr);

    // Puts the whole report on the clipboard (the "Copy" button).
    void CopyText();

private:
    QPlainTextEdit* mmReport;
};
