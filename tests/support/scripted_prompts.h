#pragma once

#include "core/app/prompts.h"

#include <QStringList>
#include <deque>

namespace velmorix::test {

// Prompts answered from a script; every message shown is recorded.
class ScriptedPrompts final : public Prompts {
public:
    void showMessage(const QString& text) override { messages << text; }
    std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        if (openAnswers.empty())
            return std::nullopt;
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }

    std::optional<qint32> askNewValue(const NewValueRequest& request) override {
        valueRequests.push_back(request);
        if (valueAnswers.empty())
            return std::nullopt;
        auto answer = valueAnswers.front();
        valueAnswers.pop_front();
        return answer;
    }

    UploadWarningAnswer askUploadWarning() override {
        ++warningsShown;
        return warningAnswer;
    }

    std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        if (saveAnswers.empty())
            return std::nullopt;
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    IdAnswer askId(const QString& caption, const QString& label) override {
        idRequests << caption + QLatin1Char('|') + label;
        if (idAnswers.empty())
            return {};
        auto answer = idAnswers.front();
        idAnswers.pop_front();
        return answer;
    }

    QStringList messages;
    std::deque<std::optional<QString>> saveAnswers;
    std::vector<FileDialogRequest> saveRequests;
    std::deque<IdAnswer> idAnswers;
    QStringList idRequests;
    int warningsShown = 0;
    UploadWarningAnswer warningAnswer{true, false};
    std::deque<std::optional<qint32>> valueAnswers;
    std::vector<NewValueRequest> valueRequests;
    std::deque<std::optional<QString>> openAnswers;
    std::vector<FileDialogRequest> openRequests;
};

} // namespace velmorix::test
