#pragma once
// Records the messages the program shows instead of opening message boxes.
#include <string>
#include <vector>

#include "data/Auxiliar.h"

struct TRecordedMessage {
    TMessageKind Kind;
    std::string Title;
    std::string Text;
};

class TMessageRecorder {
public:
    TMessageRecorder()
    {
        Previous = SetMessageFunction([this](TMessageKind kind, const std::string& title, const std::string& text) {
            Messages.push_back({kind, title, text});
        });
    }
    ~TMessageRecorder() { SetMessageFunction(std::move(Previous)); }
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    std::vector<TRecordedMessage> Messages;

private:
    TMessageFunction Previous;
};
