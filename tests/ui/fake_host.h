#pragma once
// A UiHost that answers dialogs from a script and records every message.

#include <deque>
#include <optional>
#include <vector>

#include "ui/host.h"
#include "ui/main_form.h"

namespace platecam::testing {

class FakeHost : public UiHost {
public:
    // The next dialog is confirmed with this path, or cancelled with nullopt.
    void Answer(std::optional<QString> path) { answers_.push_back(std::move(path)); }

    bool Execute(FileDialog& dialog) override {
        proposed.push_back(dialog.fileName);
        if (answers_.empty()) return false;
        auto answer = answers_.front();
        answers_.pop_front();
        if (!answer) return false;
        dialog.fileName = *answer;
        return true;
    }
    void ShowError(const QString& text) override { errors.push_back(text); }
    void ShowInformation(const QString& text) override { information.push_back(text); }
    // A question is answered from `answers` where the test gave one; else it cannot be asked.
    std::optional<bool> Ask(const QString& question) override {
        questions.push_back(question);
        if (answers.empty()) return std::nullopt;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<QString> errors;
    std::vector<QString> information;
    std::vector<QString> proposed;
    std::vector<QString> questions;
    std::deque<bool> answers;

private:
    std::deque<std::optional<QString>> answers_;
};

// A window with a scripted host, the decimal mark fixed to ".".
struct FormFixture {
    FakeHost host;
    TForm1 form{host};
    FormFixture() { form.SetDecimalMark('.'); }

    // A 5 mm base circle under a 40 mm roller with a steep table: the motion changes too
    // fast for the roller and the window's contour stops.
    void EnterRollerTooLargeDesign() {
        form.Edit1->setText("5");
        form.Edit2->setText("40");
        form.StringGrid1->SetCell(1, 2, "10");
        form.StringGrid1->SetCell(1, 3, "20");
        form.StringGrid1->SetCell(2, 3, "30");
    }
};

// The recorded canvas calls of one kind, in drawing order.
inline std::vector<DrawCall> Of(const std::vector<DrawCall>& calls, DrawCall::Kind kind) {
    std::vector<DrawCall> out;
    for (const DrawCall& c : calls) {
        if (c.kind == kind) out.push_back(c);
    }
    return out;
}

}  // namespace platecam::testing
