#pragma once

#include "ui/parts/MessageService.h"

class QWidget;

// Modal QMessageBox boxes. Texts are Windows-1252 and shown converted.
class TQtMessageService : public TMessageService {
public:
    // The parent of the boxes (not owned; may be null).
    explicit TQtMessageService(QWidget* parent = nullptr) : FParent(parent) {}
    void SetParent(QWidget* parent) { FParent = parent; }

    void ShowMessage(const std::string& text) override;
    TAnswer Confirm(const std::string& text, TQuestionButtons buttons) override;
    void ShowError(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

private:
    QWidget* FParent;
};
