#pragma once
// Records the messages the program shows, and the questions it asks, instead of opening
// message boxes; questions are answered with Answer.
#include <string>
#include <vector>

#include "data/Auxiliar.h"

struct TRecordedMessage {
    TMessageKind Kind;
    std::string Title;
    std::string Text;
};

struct TRecordedQuestion {
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
        PreviousQuestion = SetQuestionFunction([this](const std::string& title, const std::string& text) {
            Questions.push_back({title, text});
            return Answer;
        });
    }
    ~TMessageRecorder()
    {
        SetMessageFunction(std::move(Previous));
        SetQuestionFunction(std::move(PreviousQuestion));
    }
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    std::vector<TRecordedMessage> Messages;
    std::vector<TRecordedQuestion> Questions;
    bool Answer = true;

private:
    TMessageFunction Previous;
    TQuestionFunction PreviousQuestion;
};
