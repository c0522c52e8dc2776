#pragma once

#include "model/TreeDisplay.h"

#include <memory>
#include <string>
#include <vector>

// A tree display that keeps its nodes in memory, for the model's tests. The
// null node stands for the top level, as it does for AddNode.
class FakeTreeDisplay : public TTreeDisplay {
public:
    struct Node {
        std::string Text;
        void* Object = nullptr;
        std::vector<std::unique_ptr<Node>> Children;
    };

    ~FakeTreeDisplay() override { Clear(); }
    void Clear() override;
    TNode AddNode(TNode parent, const std::string& text, void* object) override;
    void* NodeObject(TNode node) const override;
    int ChildCount(TNode node) const override;
    TNode Child(TNode node, int index) const override;

    TNode TopNode(int index) const { return FTop.at(index).get(); }
    int TopCount() const { return static_cast<int>(FTop.size()); }
    int ClearCount() const { return FClears; }
    // Every node's text, one line each, indented two blanks per level.
    std::string Dump() const;
    // The tree on one line: "name(child,child)" per top node, joined by ";".
    std::string Outline() const;

private:
    const std::vector<std::unique_ptr<Node>>& Children(TNode node) const;

    std::vector<std::unique_ptr<Node>> FTop;
    int FClears = 0;
};
