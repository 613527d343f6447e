#pragma once

#include "base/UiSeam.h"

#include <QList>
#include <QQueue>
#include <QVariant>
#include <functional>

// Answers and records every call that goes through UiSeam while it lives.
// Message boxes take the next queued answer (else OK, or Yes for Yes/No questions); file and
// folder dialogs the next queued string, questions for a whole number the next queued int (else
// cancelled); modal dialogs are handed to `onModal`, which works their controls (and may close them).
class SeamRecorder final
{
public:
    SeamRecorder();
    ~SeamRecorder();
    SeamRecorder(const SeamRecorder &) = delete;
    SeamRecorder &operator=(const SeamRecorder &) = delete;

    void queueAnswer(const QVariant &answer) { m_answers.enqueue(answer); }
    std::function<void(QDialog *)> onModal;
    // Runs while a message box, a file or folder dialog or a question for a number is "open", before its answer is taken:
    // a real one runs a nested event loop, so transfers and timers may be handled meanwhile.
    std::function<void(const UiSeam::Call &)> whileOpen;

    QList<UiSeam::Call> calls;
    QList<UiSeam::Call> callsOf(UiSeam::Kind kind) const;
    QStringList messages() const; // texts of the message boxes shown, in order
    void clear() { calls.clear(); }

private:
    QQueue<QVariant> m_answers;
};
