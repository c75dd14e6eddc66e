#include "ui/main/TVantorApplication.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "engine/EEngineError.h"
#include "engine/EFTPDirectException.h"
#include "engine/EFTPTransferException.h"

namespace {

QString className(const std::exception& error)
{
    if (const auto* engine = dynamic_cast<const EEngineError*>(&error))
        return QString::fromLatin1(engine->ClassName());
    int status = 0;
    const char* mangled = typeid(error).name();
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    return QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
}

} // namespace

TVantorApplication::TVantorApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{}

QString TVantorApplication::describe(const std::exception& error)
{
    if (const auto* transfer = dynamic_cast<const EFTPTransferException*>(&error))
        return QStringLiteral("TransferException: %1").arg(transfer->Message());
    if (const auto* direct = dynamic_cast<const EFTPDirectException*>(&error))
        return QStringLiteral("DirectException: %1").arg(direct->Message());
    const auto* engine = dynamic_cast<const EEngineError*>(&error);
    return QStringLiteral("Other exception: %1/%2")
        .arg(className(error), engine ? engine->Message() : QString::fromUtf8(error.what()));
}

void TVantorApplication::report(const QString& line)
{
    if (m_hook)
        m_hook(TLogKind::lkError, line);
    else
        qWarning("%s", qPrintable(line));
}

bool TVantorApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        report(describe(error));
    } catch (...) {
        report(QStringLiteral("Other exception: unknown/"));
    }
    return false;
}
