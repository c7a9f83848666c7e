#include "tree/tree_control.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/wide_text.h"

namespace {

// The program's own record of the nodes it inserted into the tree pane, kept in step
// with every insertion, change and deletion, so that reading a node's text, images,
// value or neighbours asks the control nothing. Wine's tree view checks every item
// handle a message names by searching the list of all its items, so a walk that asks
// the control about each node of a drive's 130,000 folders takes time that grows with
// the square of their number. The control still draws the nodes, expands them and
// answers the user; a tree whose record was not started empty is only asked.
struct Node {
    HTREEITEM parent = nullptr;
    HTREEITEM firstChild = nullptr;
    HTREEITEM lastChild = nullptr;
    HTREEITEM previous = nullptr;
    HTREEITEM next = nullptr;
    std::string text;
    std::wstring key;  // the text as the control holds it, for its alphabetical order
    int image = 0;
    int selectedImage = 0;
    LPARAM param = 0;
};

struct Record {
    HWND tree = nullptr;
    bool kept = false;  // started with the empty control: every node is in it
    std::unordered_map<HTREEITEM, Node> nodes;
    Node top;  // the first and last top-level nodes, as children of nobody
};

Record record;

Record* Kept(HWND tree) {
    return record.tree == tree && record.kept ? &record : nullptr;
}

Node* Find(HWND tree, HTREEITEM node) {
    Record* r = Kept(tree);
    if (r == nullptr || node == nullptr)
        return nullptr;
    auto found = r->nodes.find(node);
    return found == r->nodes.end() ? nullptr : &found->second;
}

// The node that holds parent's list of children: the parent's own, or the top level.
Node* ChildrenOf(Record& r, HTREEITEM parent) {
    if (parent == nullptr || parent == TVI_ROOT)
        return &r.top;
    auto found = r.nodes.find(parent);
    return found == r.nodes.end() ? nullptr : &found->second;
}

// Where TVI_SORT places a node with key among the children of list: before the first
// one whose text compares greater, after one that compares equal. Returns the node it
// follows, or null when it goes first.
HTREEITEM SortedPlace(Record& r, const Node& list, const std::wstring& key) {
    HTREEITEM previous = nullptr;
    for (HTREEITEM at = list.firstChild; at != nullptr;) {
        const Node& child = r.nodes[at];
        const int comparison = lstrcmpW(key.c_str(), child.key.c_str());
        if (comparison < 0)
            return previous;
        if (comparison == 0)
            return at;
        previous = at;
        at = child.next;
    }
    return previous;
}

void Link(Record& r, Node& list, HTREEITEM parent, HTREEITEM node, HTREEITEM after) {
    Node& added = r.nodes[node];
    added.parent = parent;
    added.previous = after;
    added.next = after != nullptr ? r.nodes[after].next : list.firstChild;
    if (after != nullptr)
        r.nodes[after].next = node;
    else
        list.firstChild = node;
    if (added.next != nullptr)
        r.nodes[added.next].previous = node;
    else
        list.lastChild = node;
}

void Forget(Record& r, HTREEITEM node) {
    auto found = r.nodes.find(node);
    if (found == r.nodes.end())
        return;
    Node gone = found->second;
    Node* list = ChildrenOf(r, gone.parent);
    if (gone.previous != nullptr)
        r.nodes[gone.previous].next = gone.next;
    else if (list != nullptr)
        list->firstChild = gone.next;
    if (gone.next != nullptr)
        r.nodes[gone.next].previous = gone.previous;
    else if (list != nullptr)
        list->lastChild = gone.previous;
    std::vector<HTREEITEM> below = {node};
    while (!below.empty()) {
        HTREEITEM at = below.back();
        below.pop_back();
        auto entry = r.nodes.find(at);
        if (entry == r.nodes.end())
            continue;
        for (HTREEITEM child = entry->second.firstChild; child != nullptr;) {
            below.push_back(child);
            child = r.nodes[child].next;
        }
        r.nodes.erase(entry);
    }
}

HTREEITEM Ask(HWND tree, HTREEITEM node, WPARAM relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

TVITEMA AskItem(HWND tree, HTREEITEM node, UINT mask, char* text = nullptr, int capacity = 0) {
    TVITEMA item = {};
    item.mask = mask | TVIF_HANDLE;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = capacity;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

}  // namespace

void TreeStartRecord(HWND tree) {
    record = Record();
    record.tree = tree;
    record.kept = tree != nullptr && SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) == 0;
}

HTREEITEM TreeInsert(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text, int image,
                     int selectedImage) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    Record* r = Kept(tree);
    Node* list = r != nullptr ? ChildrenOf(*r, parent) : nullptr;
    if (r != nullptr && list == nullptr)
        r->kept = false;  // a parent the record does not know: ask the control from now on
    if (r == nullptr || list == nullptr)
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));

    // The place is worked out here and given to the control, so that the record and
    // the control hold the same order on every system.
    const std::wstring key = WideFromAnsi(text);
    HTREEITEM previous;
    if (after == TVI_SORT) {
        previous = SortedPlace(*r, *list, key);
    } else if (after == TVI_FIRST) {
        previous = nullptr;
    } else if (after == TVI_LAST) {
        previous = list->lastChild;
    } else {
        previous = after;
    }
    insert.hInsertAfter = previous != nullptr           ? previous
                          : list->firstChild != nullptr ? TVI_FIRST
                                                        : TVI_LAST;
    if (previous != nullptr && previous == list->lastChild)
        insert.hInsertAfter = TVI_LAST;
    HTREEITEM node = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (node == nullptr)
        return nullptr;
    Node& added = r->nodes[node];
    added = Node();
    added.text = text;
    added.key = key;
    added.image = image;
    added.selectedImage = selectedImage;
    Link(*r, *ChildrenOf(*r, parent), parent == TVI_ROOT ? nullptr : parent, node, previous);
    return node;
}

int TreeGetTextAndImage(HWND tree, HTREEITEM node, char* buffer, int capacity) {
    buffer[0] = '\0';
    if (const Node* n = Find(tree, node)) {
        const size_t bytes = n->text.size() < static_cast<size_t>(capacity - 1)
                                 ? n->text.size()
                                 : static_cast<size_t>(capacity - 1);
        std::memcpy(buffer, n->text.data(), bytes);
        buffer[bytes] = '\0';
        return n->image;
    }
    TVITEMA item = AskItem(tree, node, TVIF_TEXT | TVIF_IMAGE, buffer, capacity);
    buffer[capacity - 1] = '\0';
    return item.iImage;
}

void TreeGetText(HWND tree, HTREEITEM node, char* buffer, int capacity) {
    TreeGetTextAndImage(tree, node, buffer, capacity);
}

int TreeGetImage(HWND tree, HTREEITEM node) {
    if (const Node* n = Find(tree, node))
        return n->image;
    return AskItem(tree, node, TVIF_IMAGE).iImage;
}

int TreeGetSelectedImage(HWND tree, HTREEITEM node) {
    if (const Node* n = Find(tree, node))
        return n->selectedImage;
    return AskItem(tree, node, TVIF_SELECTEDIMAGE).iSelectedImage;
}

void TreeSetImages(HWND tree, HTREEITEM node, int image, int selectedImage) {
    Node* n = Find(tree, node);
    if (n != nullptr && n->image == image && n->selectedImage == selectedImage)
        return;  // nothing to tell the control
    TVITEMA item = {};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = node;
    item.iImage = image;
    item.iSelectedImage = selectedImage;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (n != nullptr) {
        n->image = image;
        n->selectedImage = selectedImage;
    }
}

LPARAM TreeGetParam(HWND tree, HTREEITEM node) {
    if (const Node* n = Find(tree, node))
        return n->param;
    return AskItem(tree, node, TVIF_PARAM).lParam;
}

void TreeSetParam(HWND tree, HTREEITEM node, LPARAM value) {
    if (const Node* n = Find(tree, node)) {
        if (n->param == value)
            return;
    }
    TVITEMA item = {};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = node;
    item.lParam = value;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (Node* n = Find(tree, node))
        n->param = value;
}

HTREEITEM TreeFirstChild(HWND tree, HTREEITEM node) {
    if (const Node* n = Find(tree, node))
        return n->firstChild;
    return Ask(tree, node, TVGN_CHILD);
}

HTREEITEM TreeNextSibling(HWND tree, HTREEITEM node) {
    if (const Node* n = Find(tree, node))
        return n->next;
    return Ask(tree, node, TVGN_NEXT);
}

HTREEITEM TreeParent(HWND tree, HTREEITEM node) {
    if (const Node* n = Find(tree, node))
        return n->parent;
    return Ask(tree, node, TVGN_PARENT);
}

void TreeExpand(HWND tree, HTREEITEM node, UINT action) {
    SendMessageA(tree, TVM_EXPAND, action, reinterpret_cast<LPARAM>(node));
}

bool TreeIsExpanded(HWND tree, HTREEITEM node) {
    UINT state = static_cast<UINT>(
        SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED));
    return (state & TVIS_EXPANDED) != 0;
}

void TreeSelect(HWND tree, HTREEITEM node) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
}

void TreeDelete(HWND tree, HTREEITEM node) {
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
    if (Record* r = Kept(tree)) {
        if (node == TVI_ROOT || node == nullptr) {
            r->nodes.clear();
            r->top = Node();
        } else {
            Forget(*r, node);
        }
    }
}
