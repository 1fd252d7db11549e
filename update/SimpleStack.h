#pragma once
// A singly linked last-in-first-out stack that owns copies of its items.
//
// Nodes and items are allocated and freed only by the member functions, which
// are defined inside Praxel.dll (explicit instantiations in SimpleStack.cpp).
// A program that holds a stack therefore never frees memory the library
// allocated, whatever runtime it was built with.
#include <cstddef>
#include <cstdint>

#include "update/PraxelApi.h"

template <class T>
class SimpleStack {
public:
    SimpleStack();
    // Destroys every item still held.
    virtual ~SimpleStack();

    // Two stacks must never share nodes, and nothing needs a copied stack.
    SimpleStack(const SimpleStack&) = delete;

    // A stack made with new is allocated by the library as well: deleting it
    // runs the destructor inside the library, which must free it from the
    // heap it came from. Yields null when memory runs out.
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* memory) noexcept;

    // Adds a copy of item on top. If memory runs out the item is dropped.
    void Push(const T& item);

    // Removes the top item and returns it. On an empty stack: a
    // default-constructed item, the stack unchanged.
    T Pop();

    unsigned int GetSize() const;

    // Pushes a copy of each of other's items, walking it from top to bottom,
    // so items already here stay beneath and the new ones end up reversed.
    // Assigning a stack to itself changes nothing.
    SimpleStack& operator=(const SimpleStack& other);

    // The item fromTop places below the top (0 is the top), or null. Lets a
    // holder of a const stack read it in stack order without popping.
    const T* ItemAt(unsigned int fromTop) const;

    // Exchanges the contents of the two stacks without copying any item.
    void Swap(SimpleStack& other);

protected:
    void Clear();

private:
    struct StackNode {
        T* item;
        StackNode* below;
    };

    StackNode* top;
    uint32_t count;
};
