#include "update/SimpleStack.h"

#include <new>
#include <utility>

#include "update/UpdateModel.h"

template <class T>
SimpleStack<T>::SimpleStack() : top(nullptr), count(0)
{
}

template <class T>
SimpleStack<T>::~SimpleStack()
{
    Clear();
}

template <class T>
void* SimpleStack<T>::operator new(std::size_t size) noexcept
{
    return ::operator new(size, std::nothrow);
}

template <class T>
void SimpleStack<T>::operator delete(void* memory) noexcept
{
    ::operator delete(memory);
}

template <class T>
void SimpleStack<T>::Push(const T& item)
{
    // No exception may leave the library, so a failed allocation drops the
    // item rather than throwing into the caller.
    StackNode* node = new (std::nothrow) StackNode;
    if (!node)
        return;
    node->item = new (std::nothrow) T(item);
    if (!node->item) {
        delete node;
        return;
    }
    node->below = top;
    top = node;
    ++count;
}

template <class T>
T SimpleStack<T>::Pop()
{
    if (count == 0 || !top)
        return T();
    StackNode* node = top;
    top = node->below;
    --count;
    // Moved, not copied: copying an entity would reverse its files.
    T result(std::move(*node->item));
    delete node->item;
    delete node;
    return result;
}

template <class T>
unsigned int SimpleStack<T>::GetSize() const
{
    return count;
}

template <class T>
SimpleStack<T>& SimpleStack<T>::operator=(const SimpleStack& other)
{
    if (&other == this)
        return *this;
    for (const StackNode* node = other.top; node; node = node->below)
        Push(*node->item);
    return *this;
}

template <class T>
const T* SimpleStack<T>::ItemAt(unsigned int fromTop) const
{
    const StackNode* node = top;
    for (unsigned int i = 0; node && i < fromTop; ++i)
        node = node->below;
    return node ? node->item : nullptr;
}

template <class T>
void SimpleStack<T>::Swap(SimpleStack& other)
{
    std::swap(top, other.top);
    std::swap(count, other.count);
}

template <class T>
void SimpleStack<T>::Clear()
{
    while (top) {
        StackNode* node = top;
        top = node->below;
        delete node->item;
        delete node;
    }
    count = 0;
}

// The only instances; the export mark sits on their declarations in
// UpdateModel.h, so programs import these from the library.
template class SimpleStack<Update::Property>;
template class SimpleStack<Update::File>;
template class SimpleStack<Update::Entity>;
