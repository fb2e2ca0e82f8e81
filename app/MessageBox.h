#pragma once
// The program's message function (a modal message box with an OK button) and its question
// function (Yes/No).
#include <string>

#include "data/Auxiliar.h"

// Shows `text` in a modal box over the active window. An empty title shows the
// application's name; texts are bytes (valid UTF-8, otherwise Latin-1).
void ShowMessageBox(TMessageKind kind, const std::string& title, const std::string& text);
// A modal Yes/No box; true for Yes. No is the default button.
bool ShowQuestionBox(const std::string& title, const std::string& text);
// Points ShowMessage at ShowMessageBox and AskQuestion at ShowQuestionBox.
void InstallMessageBox();
