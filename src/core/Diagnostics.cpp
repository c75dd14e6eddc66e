#include "core/Diagnostics.h"

#include <utility>

#include <QDebug>
#include <QMutex>

#include "core/Format.h"

namespace {

QMutex& sinkLock()
{
    static QMutex lock;
    return lock;
}

TDebugSink& currentSink()
{
    static TDebugSink sink;
    return sink;
}

void send(const QString& text)
{
    TDebugSink sink;
    {
        const QMutexLocker locker(&sinkLock());
        sink = currentSink();
    }
    if (sink)
        sink(text);
    else
        qDebug().noquote() << text;
}

} // namespace

TDebugSink SetDebugSink(TDebugSink sink)
{
    const QMutexLocker locker(&sinkLock());
    return std::exchange(currentSink(), std::move(sink));
}

void DebugOutput(const QString& format, const QVariantList& args)
{
    send(Format(format, args));
}

QString AssertionText(const QString& message, const QString& fileName, int line, quintptr address)
{
    return Format(QStringLiteral("%s (%s, line %d, address $%x)"),
                  {message, fileName, line, QVariant::fromValue<qulonglong>(address)});
}

void AssertionFailed(const char* message, const char* fileName, int line, const void* address)
{
    send(AssertionText(QString::fromUtf8(message), QString::fromUtf8(fileName), line,
                       reinterpret_cast<quintptr>(address)));
}
