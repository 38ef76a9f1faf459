#pragma once

#include "core/base/prompts.h"

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

    std::optional<LoginAnswer> askLogin() override {
        ++loginsShown;
        if (loginAnswers.empty())
            return std::nullopt;
        auto answer = loginAnswers.front();
        loginAnswers.pop_front();
        return answer;
    }
    std::optional<Settings> askRanges(const Settings& current) override {
        rangesShown << current;
        if (rangeAnswers.empty())
            return std::nullopt;
        auto answer = rangeAnswers.front();
        rangeAnswers.pop_front();
        return answer;
    }
    std::optional<qint32> askComStart(qint32 current) override {
        comStartShown << current;
        if (comStartAnswers.empty())
            return std::nullopt;
        auto answer = comStartAnswers.front();
        comStartAnswers.pop_front();
        return answer;
    }
    // The clock dialog runs `clockScript` while it is "open".
    void showClock(const ClockDialog& dialog) override {
        ++clocksShown;
        if (clockScript)
            clockScript(dialog);
    }

    PreambleAnswer askPreamble(qint32 line, const QList<QByteArray>& blocks) override {
        preamblesShown.push_back({line, blocks});
        return preambleAnswer;
    }

    QStringList messages;
    std::vector<std::pair<qint32, QList<QByteArray>>> preamblesShown;
    PreambleAnswer preambleAnswer = PreambleAnswer::Skip;
    int loginsShown = 0;
    std::deque<std::optional<LoginAnswer>> loginAnswers;
    QList<Settings> rangesShown;
    std::deque<std::optional<Settings>> rangeAnswers;
    QList<qint32> comStartShown;
    std::deque<std::optional<qint32>> comStartAnswers;
    int clocksShown = 0;
    std::function<void(const ClockDialog&)> clockScript;
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
