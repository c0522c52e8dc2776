#include "FakeTreeDisplay.h"

#include "model/LevelByLevel.h"

#include <functional>

void FakeTreeDisplay::Clear()
{
    // The folder tests list very deep trees.
    FreeLevelByLevel(
        std::move(FTop), [](Node & node) -> auto& { return node.Children; });
    FTop.clear();
    ++FClears;
}

TTreeDisplay::TNode FakeTreeDisplay::AddNode(TNode parent, const std::string& text, void* object)
{
    auto node = std::make_unique<Node>();
    node->Text = text;
    node->Object = object;
    Node* raw = node.get();
    (parent ? static_cast<Node*>(parent)->Children : FTop).push_back(std::move(node));
    return raw;
}

void* FakeTreeDisplay::NodeObject(TNode node) const
{
    return static_cast<Node*>(node)->Object;
}

const std::vector<std::unique_ptr<FakeTreeDisplay::Node>>& FakeTreeDisplay::Children(TNode node) const
{
    return node ? static_cast<Node*>(node)->Children : FTop;
}

int FakeTreeDisplay::ChildCount(TNode node) const
{
    return static_cast<int>(Children(node).size());
}

TTreeDisplay::TNode FakeTreeDisplay::Child(TNode node, int index) const
{
    return Children(node).at(index).get();
}

std::string FakeTreeDisplay::Dump() const
{
    std::string out;
    std::function<void(const Node&, int)> dump = [&](const Node& n, int depth) {
        out += std::string(depth * 2, ' ') + n.Text + "\n";
        for (auto& c : n.Children)
            dump(*c, depth + 1);
    };
    for (auto& n : FTop)
        dump(*n, 0);
    return out;
}

std::string FakeTreeDisplay::Outline() const
{
    std::function<std::string(const Node&)> one = [&one](const Node& n) {
        std::string s = n.Text;
        if (!n.Children.empty()) {
            s += '(';
            for (size_t i = 0; i < n.Children.size(); ++i)
                s += (i ? "," : "") + one(*n.Children[i]);
            s += ')';
        }
        return s;
    };
    std::string s;
    for (size_t i = 0; i < FTop.size(); ++i)
        s += (i ? ";" : "") + one(*FTop[i]);
    return s;
}
