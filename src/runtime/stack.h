// The return-point stack of GOSUB and RETURN: a singly linked list of signed 32-bit
// return-point codes, top first. Which codes exist and where each resumes is the
// program's business; this unit only keeps them in order.
#pragma once

#include <cstdint>
#include <memory>

namespace tov::runtime {

struct ReturnNode {
    int32_t code = 0;
    std::unique_ptr<ReturnNode> next; //: the node below this one
};

class ReturnStack {
public:
    ReturnStack() = default;
    ReturnStack(const ReturnStack&) = delete;
    ReturnStack& operator=(const ReturnStack&) = delete;
    ~ReturnStack() { clear(); }

    bool isEmpty() const { return top_ == nullptr; }
    void clear();

    std::unique_ptr<ReturnNode>& top() { return top_; }

private:
    std::unique_ptr<ReturnNode> top_;
};

// Makes the stack empty; nodes left from an earlier run are released.
void initstack(ReturnStack& stack);
void push(int32_t code, ReturnStack& stack);
// Takes the top code. Popping an empty stack is a bug of the caller and throws TovError.
void pop(int32_t& code, ReturnStack& stack);

} // namespace tov::runtime
