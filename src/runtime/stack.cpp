// Return-point stack operations.
#include "runtime/stack.h"

#include "common/tov_error.h"

namespace tov::runtime {

void ReturnStack::clear()
{
    // Unlinked one node at a time: a deep stack must not recurse in destructors.
    while (top_ != nullptr) {
        top_ = std::move(top_->next);
    }
}

void initstack(ReturnStack& stack)
{
    stack.clear();
}

void push(int32_t code, ReturnStack& stack)
{
    auto node = std::make_unique<ReturnNode>();
    node->code = code;
    node->next = std::move(stack.top());
    stack.top() = std::move(node);
}

void pop(int32_t& code, ReturnStack& stack)
{
    if (stack.isEmpty()) {
        throw TovError("RETURN without GOSUB: the return-point stack is empty");
    }
    code = stack.top()->code;
    stack.top() = std::move(stack.top()->next);
}

} // namespace tov::runtime
