#include "ui/main/ProjectHistory.h"

#include <QUndoCommand>
#include <QUndoStack>

bool TProjectState::SameAs(const TProjectState& other) const
{
    if (Project != other.Project || Texts != other.Texts)
        return false;
    for (const auto& [language, text] : Licences) {
        auto found = other.Licences.find(language);
        if (found != other.Licences.end() && found->second != text)
            return false;
    }
    return true;
}

size_t TProjectState::Bytes() const
{
    size_t bytes = Project.size();
    for (const std::string& line : Texts)
        bytes += line.size();
    for (const auto& [language, text] : Licences)
        bytes += text.size();
    return bytes;
}

// One step: the snapshots before and after it. Pushing runs redo() at
// once, when the project already is the "after" snapshot.
class TSnapshotCommand : public QUndoCommand {
public:
    TSnapshotCommand(TProjectHistory& history, TStatePtr before, TStatePtr after, const std::string& name, int mergeKey)
        : QUndoCommand(QString::fromStdString(name)), FHistory(history), FBefore(std::move(before)),
          FAfter(std::move(after)), FMergeKey(mergeKey)
    {
    }

    void undo() override { FHistory.Apply(FBefore); }
    void redo() override
    {
        if (FPushed)
            FHistory.Apply(FAfter);
        FPushed = true;
    }
    int id() const override { return FMergeKey; }
    bool mergeWith(const QUndoCommand* other) override
    {
        FAfter = static_cast<const TSnapshotCommand*>(other)->FAfter;
        // Typing a name and taking it back again leaves nothing to undo.
        setObsolete(FAfter->SameAs(*FBefore));
        return true;
    }

private:
    TProjectHistory& FHistory;
    TStatePtr FBefore;
    TStatePtr FAfter;
    int FMergeKey;
    bool FPushed = false;
};

TProjectHistory::TProjectHistory(std::function<TStatePtr()> capture, std::function<void(const TProjectState&)> restore,
                                 QObject* parent)
    : QObject(parent), FCapture(std::move(capture)), FRestore(std::move(restore)), FStack(new QUndoStack(this))
{
    FStack->setUndoLimit(Limit);
}

void TProjectHistory::Reset()
{
    FStack->clear();
    FLast = FCapture();
}

void TProjectHistory::Clear()
{
    FStack->clear();
    FLast.reset();
}

void TProjectHistory::Record(const std::string& what, int mergeKey)
{
    if (FApplying || !FLast)
        return;
    TStatePtr now = FCapture();
    if (!now || now->SameAs(*FLast))
        return;
    TStatePtr before = FLast;
    FLast = now;
    FStack->push(new TSnapshotCommand(*this, before, now, StepName(*before, *now, what), mergeKey));
}

void TProjectHistory::MarkSaved()
{
    // Retaken without a step: saving into another folder changes the
    // folder kept in the project, which is not an edit.
    if (FLast)
        FLast = FCapture();
    FStack->setClean();
}

bool TProjectHistory::IsClean() const
{
    return FStack->isClean();
}

void TProjectHistory::Undo()
{
    FStack->undo();
}

void TProjectHistory::Redo()
{
    FStack->redo();
}

void TProjectHistory::Apply(const TStatePtr& state)
{
    FApplying = true;
    try {
        FRestore(*state);
    } catch (...) {
        FApplying = false;
        throw;
    }
    FApplying = false;
    FLast = state;
}

std::string TProjectHistory::StepName(const TProjectState& before, const TProjectState& after, const std::string& what)
{
    // Folders first: deleting a folder deletes its files, and deleting a
    // file its shortcuts, and the step is named after what was chosen.
    static const char* const Kinds[4][2] = {
        {"File", "Files"}, {"Shortcut", "Shortcuts"}, {"Setup DLL", "Setup DLLs"}, {"Folder", "Folders"}};
    static const int Order[4] = {3, 0, 1, 2};
    for (int i : Order) {
        int change = after.Counts[i] - before.Counts[i];
        if (change == 0)
            continue;
        int count = change > 0 ? change : -change;
        return std::string(change > 0 ? "Add " : "Delete ") + std::to_string(count) + " " +
               Kinds[i][count == 1 ? 0 : 1];
    }
    return "Change " + what;
}
