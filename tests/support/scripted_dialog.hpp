#pragma once
// A dialog for the session's tests: the headless dialog's items, virtual clock and queues,
// with every message box, help call and picker use recorded and their answers scripted.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/headless_dialog.hpp"

namespace fixtures {

class ScriptedDialog : public chpimport::HeadlessDialog {
public:
    struct Box {
        std::string text;
        std::string caption;
        std::uint64_t at; // virtual time when shown
    };

    // Answers to the yes/no questions, in order; "no" when none is left.
    std::deque<bool> answers;
    // Events delivered while a question is on screen (the import goes on meanwhile).
    int eventsDuringQuestion = 0;
    // What the picker returns, in order; cancelled when none is left.
    std::deque<chpimport::PickerResult> pickerResults;

    std::vector<Box> questions;
    std::vector<Box> informs;
    std::vector<Box> errors;
    std::vector<chpimport::PickerRequest> pickerRequests;
    std::vector<std::string> helpCalls;

    bool AskYesNo(const std::string& text, const std::string& caption) override {
        questions.push_back({text, caption, Now()});
        for (int i = 0; i < eventsDuringQuestion && DeliverNext(); ++i) {
        }
        if (answers.empty()) return false;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Inform(const std::string& text, const std::string& caption) override {
        informs.push_back({text, caption, Now()});
    }
    void ShowError(const std::string& text, const std::string& caption) override {
        errors.push_back({text, caption, Now()});
    }
    void OpenHelp(const std::string& file, unsigned context) override {
        helpCalls.push_back(file + "#" + std::to_string(context));
    }
    chpimport::PickerResult ShowOpenFilePicker(const chpimport::PickerRequest& request) override {
        pickerRequests.push_back(request);
        if (pickerResults.empty()) return {};
        chpimport::PickerResult result = pickerResults.front();
        pickerResults.pop_front();
        return result;
    }

    // Delivers events until the predicate holds or nothing is pending; the number delivered.
    int RunUntil(const std::function<bool()>& done, int limit = 100000) {
        int delivered = 0;
        while (!done() && delivered < limit && DeliverNext()) ++delivered;
        return delivered;
    }
    int RunAll(int limit = 100000) {
        return RunUntil([] { return false; }, limit);
    }
};

} // namespace fixtures
