#include "SeamRecorder.h"

SeamRecorder::SeamRecorder()
{
    UiSeam::setResponder([this](const UiSeam::Call &call) -> QVariant {
        calls.append(call);
        switch (call.kind) {
        case UiSeam::Kind::Modal:
            if (onModal)
                onModal(call.dialog);
            return QVariant();
        case UiSeam::Kind::MessageBox:
        case UiSeam::Kind::BrowseFolder:
        case UiSeam::Kind::SaveFile:
        case UiSeam::Kind::Integer:
            if (whileOpen)
                whileOpen(call);
            return m_answers.isEmpty() ? QVariant() : m_answers.dequeue();
        default:
            return QVariant();
        }
    });
}

SeamRecorder::~SeamRecorder()
{
    UiSeam::setResponder({});
}

QList<UiSeam::Call> SeamRecorder::callsOf(UiSeam::Kind kind) const
{
    QList<UiSeam::Call> result;
    for (const auto &c : calls)
        if (c.kind == kind)
            result.append(c);
    return result;
}

QStringList SeamRecorder::messages() const
{
    QStringList result;
    for (const auto &c : callsOf(UiSeam::Kind::MessageBox))
        result.append(c.text);
    return result;
}
