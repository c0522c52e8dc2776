#pragma once

#include <string>

// What the model needs of a tree view to list its folder and registry trees.
// The Qt UI implements it over QTreeWidget; tests implement it with a fake.
// Nodes are opaque handles owned by the display; each refers to one model
// object (a folder, a registry key) given when it is added.
class TTreeDisplay {
public:
    using TNode = void*;

    virtual ~TTreeDisplay() = default;

    // Removes every node.
    virtual void Clear() = 0;
    // Adds a node with the text below the parent (at top level when the
    // parent is null) as its last child; returns the new node.
    virtual TNode AddNode(TNode parent, const std::string& text, void* object) = 0;
    // The model object the node refers to.
    virtual void* NodeObject(TNode node) const = 0;
    virtual int ChildCount(TNode node) const = 0;
    virtual TNode Child(TNode node, int index) const = 0;
};
