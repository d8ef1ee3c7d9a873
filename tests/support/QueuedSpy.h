#pragma once

#include <QList>
#include <QObject>
#include <QVariant>
#include <QtTest>
#include <type_traits>

// Records a signal on the test's thread. QSignalSpy records on the emitting thread, which
// races with the test when the link emits on its receive thread; this spy receives through
// a queued connection instead. Pointer arguments are kept as their addresses.
class QueuedSpy : public QObject {
public:
    template <typename Sender, typename... Args>
    QueuedSpy(const Sender* sender, void (Sender::*signal)(Args...)) {
        connect(sender, signal, this,
                [this](Args... args) { m_calls.append(QVariantList{toVariant(args)...}); });
    }

    int count() const { return m_calls.size(); }
    int size() const { return m_calls.size(); }
    const QVariantList& at(int i) const { return m_calls.at(i); }
    bool isEmpty() const { return m_calls.isEmpty(); }
    const QVariantList& first() const { return m_calls.first(); }
    const QVariantList& last() const { return m_calls.last(); }
    QList<QVariantList>::const_iterator begin() const { return m_calls.begin(); }
    QList<QVariantList>::const_iterator end() const { return m_calls.end(); }

    // True when a new call arrives within timeoutMs.
    bool wait(int timeoutMs) {
        const int before = count();
        return QTest::qWaitFor([&] { return count() > before; }, timeoutMs);
    }

private:
    template <typename T> static QVariant toVariant(const T& value) {
        if constexpr (std::is_pointer_v<T>)
            return QVariant::fromValue(reinterpret_cast<quintptr>(value));
        else
            return QVariant::fromValue(value);
    }

    QList<QVariantList> m_calls;
};
