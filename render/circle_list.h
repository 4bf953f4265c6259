// The placed circles, in placement order: a singly linked list behind a
// sentinel node. Nodes come from the ordinary heap; an allocation that fails
// is reported, never thrown.
#ifndef FOLVEK_CIRCLE_LIST_H
#define FOLVEK_CIRCLE_LIST_H

#include <new>
#include <stdint.h>

struct CircleRecord {
    int32_t radius;
    int32_t point_x;  // the path point on the circle's rim, always inside the image
    int32_t point_y;
    double dir_x;     // unit vector from the path point towards the centre
    double dir_y;
};

struct CircleNode {
    CircleRecord record;
    CircleNode* next;
};

class CircleList {
public:
    CircleList() : head(new (std::nothrow) CircleNode{CircleRecord{}, nullptr}), tail(head) {}
    ~CircleList() {
        Clear();
        delete head;
    }
    CircleList(const CircleList&) = delete;
    CircleList& operator=(const CircleList&) = delete;

    // False when the sentinel could not be allocated; such a list holds nothing.
    bool valid() const { return head != nullptr; }

    // Appends a copy of the record; false when no node could be allocated.
    bool Append(const CircleRecord& record) {
        if (head == nullptr) return false;
        CircleNode* node = new (std::nothrow) CircleNode{record, nullptr};
        if (node == nullptr) return false;
        tail->next = node;
        tail = node;
        return true;
    }

    void Clear() {
        if (head == nullptr) return;
        CircleNode* node = head->next;
        while (node != nullptr) {
            CircleNode* next = node->next;
            delete node;
            node = next;
        }
        head->next = nullptr;
        tail = head;
    }

    const CircleNode* first() const { return head != nullptr ? head->next : nullptr; }

    template <typename Visit>
    void ForEach(Visit visit) const {
        for (const CircleNode* node = first(); node != nullptr; node = node->next) visit(node->record);
    }

private:
    CircleNode* head;
    CircleNode* tail;
};

struct PlacementResult {
    CircleList circles;
    int32_t circle_count = 0;
    int32_t radius_sum = 0;
};

#endif
