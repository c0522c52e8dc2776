#pragma once

// Owning trees are freed one level at a time, so that a deep subtree (a
// hostile file may nest thousands of levels) never recurses through nested
// destructors.

#include <memory>
#include <utility>
#include <vector>

// Frees the nodes and everything below them; children(node) names the
// vector in which a node owns its children.
template <typename Node, typename Children>
void FreeLevelByLevel(std::vector<std::unique_ptr<Node>> nodes, Children children)
{
    while (!nodes.empty()) {
        std::unique_ptr<Node> node = std::move(nodes.back());
        nodes.pop_back();
        std::vector<std::unique_ptr<Node>>& below = children(*node);
        for (auto& child : below)
            nodes.push_back(std::move(child));
        below.clear();
    }
}
