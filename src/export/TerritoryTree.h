// The territory tree of the selection window as data: nodes with a key, a text, an image index
// and a tag, kept in insertion order under their parent, plus the expanded and selected state.
// The window's tree control mirrors it; the selection procedure works on it alone.
#pragma once

#include <string>
#include <vector>

namespace terv {

struct TreeNode {
    std::string key;
    std::string parent;  // "" for a top-level node
    std::string text;
    int image = 0;    // index into the tree's image list; 0 for none
    std::string tag;  // "1" once the node's children were loaded
    bool expanded = false;
};

class TerritoryTree {
  public:
    // Removes every node.
    void Clear();
    // Adds a node as the last child of `parent` ("" for the top level). False, and nothing
    // added, when the key is taken or the parent is missing.
    bool Add(const std::string& parent, const std::string& key, const std::string& text, int image);
    // Removes the node and everything under it; false when there is no such node.
    bool Remove(const std::string& key);
    TreeNode* Find(const std::string& key);
    const TreeNode* Find(const std::string& key) const;
    // Keys of the node's children in order ("" asks for the top level).
    std::vector<std::string> Children(const std::string& parent) const;
    // Key of the node after this one under the same parent; "" when it is the last.
    std::string NextSibling(const std::string& key) const;
    // Every node, parents before their children.
    const std::vector<TreeNode>& nodes() const { return nodes_; }

    std::string selected;  // key of the selected node, "" for none

  private:
    std::vector<TreeNode> nodes_;
};

}  // namespace terv
