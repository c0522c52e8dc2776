#pragma once

#include "ui/parts/FileDialogs.h"

class QWidget;

// Qt's file dialogs.
class TQtFileDialogs : public TFileDialogs {
public:
    explicit TQtFileDialogs(QWidget* parent = nullptr) : FParent(parent) {}
    void SetParent(QWidget* parent) { FParent = parent; }

    std::string OpenProject() override;
    std::string SaveProject(const std::string& initialDir) override;
    std::string SaveProjectAs(const std::string& initialDir) override;
    std::string OpenIcon() override;
    std::string OpenPicture() override;
    std::string OpenAnyFile() override;
    std::string OpenInf() override;
    std::vector<std::string> OpenCabs() override;
    std::string ChooseFolder(const std::string& initialDir) override;

private:
    QWidget* FParent;
};
