#pragma once

// "Add Language": the language to add (one the project does not have yet)
// and the language whose texts and licence it starts from.

#include <QDialog>

#include <cstdint>

class QComboBox;
class TLanguageManager;

class TfmAddLanguage : public QDialog {
    Q_OBJECT
public:
    explicit TfmAddLanguage(QWidget* parent = nullptr);

    // Offers every language of the table the manager lacks, in table order,
    // and the manager's languages to start from, currentName selected.
    void Fill(const TLanguageManager& manager, const QString& currentName);

    QString NewLanguage() const;
    QString BasedOn() const;

private:
    QComboBox* cbNewLanguage;
    QComboBox* cbCopyFrom;
};
