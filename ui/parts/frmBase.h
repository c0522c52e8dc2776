#pragma once

// The base of the list tabs and of the new-project wizard's pages: a frame
// that fills its parent, with the three calls a wizard makes around showing
// a page.

#include <QWidget>

#include <functional>

class QLabel;
class TMessageService;
class TProject;
class TfrmList;

class TfrmBase : public QWidget {
    Q_OBJECT
public:
    explicit TfrmBase(QWidget* parent = nullptr) : QWidget(parent) {}

    // The project the frame shows and changes (not owned); null empties it.
    virtual void SetProject(TProject* /*project*/) {}
    // Before the wizard shows the page.
    virtual void PreparePage() {}
    // When the wizard leaves the page, forward or back; false keeps it there.
    virtual bool ValidatePage() { return true; }
    // After the page has been shown.
    virtual void ActivatePage() {}

signals:
    // The frame added, changed or removed objects of the project, so that
    // lists showing related objects (a shortcut's target) can refresh.
    void ProjectChanged();

protected:
    // Runs a command of the frame; an exception that leaves it is shown in
    // the program's error box.
    static void RunCommand(TMessageService* messages, const std::function<void()>& command);
    // The picture panel at the left of a wizard page: 185 pixels wide, the
    // picture scaled into it.
    QLabel* NewPicturePanel();
    // The page's heading (lbHeading), word-wrapped.
    QLabel* NewHeading(const QString& text);
    // Lays out a list tab: the picture panel (hidden until a wizard shows
    // it; returned), the heading over the list, and the Properties, Add and
    // Delete buttons at the bottom right, bound to the list's commands.
    QLabel* LayOutListPage(const QString& heading, TfrmList* list, const QString& listName);
};
