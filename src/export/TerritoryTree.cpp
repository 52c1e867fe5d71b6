#include "TerritoryTree.h"

#include <algorithm>

namespace terv {

void TerritoryTree::Clear() {
    nodes_.clear();
    selected.clear();
}

bool TerritoryTree::Add(const std::string& parent, const std::string& key, const std::string& text,
                        int image) {
    if (key.empty() || Find(key) || (!parent.empty() && !Find(parent)))
        return false;
    nodes_.push_back({key, parent, text, image, "", false});
    return true;
}

bool TerritoryTree::Remove(const std::string& key) {
    if (!Find(key))
        return false;
    std::vector<std::string> doomed{key};
    for (size_t i = 0; i < doomed.size(); ++i) {
        for (const std::string& child : Children(doomed[i]))
            doomed.push_back(child);
    }
    std::erase_if(nodes_, [&](const TreeNode& n) {
        return std::find(doomed.begin(), doomed.end(), n.key) != doomed.end();
    });
    if (std::find(doomed.begin(), doomed.end(), selected) != doomed.end())
        selected.clear();
    return true;
}

TreeNode* TerritoryTree::Find(const std::string& key) {
    auto it =
        std::find_if(nodes_.begin(), nodes_.end(), [&](const TreeNode& n) { return n.key == key; });
    return it == nodes_.end() ? nullptr : &*it;
}

const TreeNode* TerritoryTree::Find(const std::string& key) const {
    return const_cast<TerritoryTree*>(this)->Find(key);
}

std::vector<std::string> TerritoryTree::Children(const std::string& parent) const {
    std::vector<std::string> keys;
    for (const TreeNode& n : nodes_) {
        if (n.parent == parent)
            keys.push_back(n.key);
    }
    return keys;
}

std::string TerritoryTree::NextSibling(const std::string& key) const {
    const TreeNode* node = Find(key);
    if (!node)
        return "";
    const std::vector<std::string> siblings = Children(node->parent);
    auto it = std::find(siblings.begin(), siblings.end(), key);
    return it + 1 < siblings.end() ? *(it + 1) : "";
}

}  // namespace terv
