#include "platform/office/LibreOfficeApplication.h"

#include "platform/PrinterSystem.h"
#include "platform/SystemPaths.h"
#include "platform/office/CallWatchdog.h"
#include "platform/office/DriverPostScript.h"
#include "platform/office/OfficeProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>
#include <QUrl>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/document/XTypeDetection.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/text/SectionFileLink.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextSectionsSupplier.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XLinkUpdate.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace uno = com::sun::star::uno;
namespace beans = com::sun::star::beans;
namespace bridge = com::sun::star::bridge;
namespace connection = com::sun::star::connection;
namespace container = com::sun::star::container;
namespace document = com::sun::star::document;
namespace frame = com::sun::star::frame;
namespace lang = com::sun::star::lang;
namespace text = com::sun::star::text;
namespace util = com::sun::star::util;

namespace {

int g_startTimeoutMs = 120000;
int g_callTimeoutMs = 300000;

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

rtl::OUString ToOU(const QString& s) { return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), sal_Int32(s.size())); }

QString ToQ(const rtl::OUString& s) { return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength()); }

QString FileUrl(const QString& path) { return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); }

// The office appends where in its sources a failure was raised; the user
// needs only the message.
QString CleanMessage(const rtl::OUString& message)
{
    static const QRegularExpression where(QStringLiteral("\\s+at\\s+\\S+\\.(cxx|hxx|cpp|h):\\d+\\s*$"));
    QString text = ToQ(message);
    text.remove(where);
    return text.trimmed();
}

beans::PropertyValue Property(const char* name, const uno::Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

uno::Sequence<beans::PropertyValue> Properties(const std::vector<beans::PropertyValue>& values)
{
    uno::Sequence<beans::PropertyValue> seq(sal_Int32(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        seq.getArray()[i] = values[i];
    return seq;
}

QString PropertyText(const uno::Sequence<beans::PropertyValue>& values, const char* name)
{
    for (const beans::PropertyValue& p : values) {
        rtl::OUString v;
        if (p.Name.equalsAscii(name) && (p.Value >>= v))
            return ToQ(v);
    }
    return {};
}

// The client side of UNO: made once, and never released, because the
// runtime's own libraries may already be gone when static objects die.
uno::Reference<uno::XComponentContext> LocalContext()
{
    static uno::Reference<uno::XComponentContext>* context = nullptr;
    if (context)
        return *context;
    if (qEnvironmentVariableIsEmpty("URE_BOOTSTRAP"))
        qputenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" + QFile::encodeName(OfficeProcess::ProgramFolder()) + "/fundamentalrc");
    // A write to the pipe of an office that has just died must fail the
    // call, not end the program.
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGPIPE, SIG_IGN);
    try {
        context = new uno::Reference<uno::XComponentContext>(cppu::defaultBootstrap_InitialComponentContext());
    } catch (const uno::Exception& e) {
        Fail(QStringLiteral("The UNO runtime of LibreOffice cannot be started: %1").arg(CleanMessage(e.Message)));
    }
    return *context;
}

}  // namespace

// The running office and everything the program keeps about it: the
// application-wide options live here, so that they hold across connections
// like the options of an application that keeps running.
struct OfficeInstance {
    OfficeProcess process;
    CallWatchdog watchdog{[this] { process.SignalKill(); }};
    uno::Reference<uno::XComponentContext> context;
    uno::Reference<frame::XDesktop2> desktop;
    QString activePrinter;
    bool printReverse = false;
    bool visible = false;
    QString openDirectory;
    bool ended = false;

    ~OfficeInstance() { End(false); }

    void Start();
    void End(bool graceful);
    bool Alive() { return !ended && process.Running(); }

    void CheckUsable() const
    {
        if (ended)
            Fail(QStringLiteral("LibreOffice has been closed."));
    }

    [[noreturn]] void Raise(const uno::Exception& e);

    // Runs one call to the office under the watchdog; failures of the
    // office become std::runtime_error.
    template <class F>
    auto Call(F&& f) -> decltype(f())
    {
        CheckUsable();
        try {
            WatchdogScope scope(watchdog, std::chrono::milliseconds(g_callTimeoutMs));
            return f();
        } catch (const uno::Exception& e) {
            Raise(e);
        }
    }

    std::vector<uno::Reference<lang::XComponent>> TextDocuments();
};

namespace {

std::shared_ptr<OfficeInstance>& RunningInstance()
{
    // Deliberately never destroyed: the exit handler ends the office while
    // the UNO runtime is still there.
    static auto* instance = new std::shared_ptr<OfficeInstance>();
    return *instance;
}

void RegisterExitHandlers()
{
    static bool atExit = false;
    if (!atExit) {
        atExit = true;
        std::atexit([] { LibreOfficeApplication::Shutdown(); });
    }
    if (QCoreApplication::instance())
        qAddPostRoutine([] { LibreOfficeApplication::Shutdown(); });
}

}  // namespace

void OfficeInstance::Start()
{
    LocalContext();
    QElapsedTimer timer;
    timer.start();
    int restarts = 0;
    QString lastError;
    const QString url = QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext");
    for (;;) {
        process.Spawn();
        for (;;) {
            int status = 0;
            if (!process.Running(&status)) {
                // The office asks for a restart after it has made a fresh
                // profile.
                if ((status == 79 || status == 81) && restarts++ < 3)
                    break;
                const QString tail = process.OutputTail();
                Fail(QStringLiteral("LibreOffice ended while starting (exit status %1)%2")
                         .arg(status)
                         .arg(tail.isEmpty() ? QString() : QStringLiteral(": ") + tail));
            }
            const qint64 left = g_startTimeoutMs - timer.elapsed();
            if (left <= 0) {
                process.Kill();
                Fail(QStringLiteral("LibreOffice did not start within %1 seconds%2.")
                         .arg(g_startTimeoutMs / 1000)
                         .arg(lastError.isEmpty() ? QString() : QStringLiteral(" (") + lastError + ')'));
            }
            try {
                WatchdogScope scope(watchdog, std::chrono::milliseconds(left));
                uno::Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(LocalContext());
                uno::Reference<uno::XInterface> remote = resolver->resolve(ToOU(url.arg(process.PipeName())));
                context.set(remote, uno::UNO_QUERY_THROW);
                desktop = frame::Desktop::create(context);
                return;
            } catch (const connection::NoConnectException&) {
                // Not listening yet.
            } catch (const uno::Exception& e) {
                lastError = CleanMessage(e.Message);
                if (watchdog.Expired()) {
                    process.Kill();
                    Fail(QStringLiteral("LibreOffice did not start within %1 seconds.").arg(g_startTimeoutMs / 1000));
                }
            }
            QThread::msleep(50);
        }
    }
}

void OfficeInstance::End(bool graceful)
{
    if (ended)
        return;
    ended = true;
    if (graceful && desktop.is() && process.Running()) {
        bool terminated = true;
        try {
            WatchdogScope scope(watchdog, std::chrono::seconds(10));
            terminated = desktop->terminate();
        } catch (const uno::Exception&) {
            // The office often goes before its answer does.
        }
        if (terminated)
            process.WaitForExit(10000);
    }
    process.Release();
    // Only proxies of a bridge that is gone by now.
    desktop.clear();
    context.clear();
}

void OfficeInstance::Raise(const uno::Exception& e)
{
    const QString message = CleanMessage(e.Message);
    if (watchdog.Expired()) {
        End(false);
        Fail(QStringLiteral("LibreOffice did not answer within %1 seconds and was ended.").arg(g_callTimeoutMs / 1000));
    }
    int status = 0;
    if (!process.Running(&status) || message.contains(QLatin1String("URP bridge"))) {
        End(false);
        Fail(QStringLiteral("LibreOffice ended unexpectedly (exit status %1).").arg(status));
    }
    Fail(message.isEmpty() ? QStringLiteral("LibreOffice reported a failure without a message.") : message);
}

std::vector<uno::Reference<lang::XComponent>> OfficeInstance::TextDocuments()
{
    std::vector<uno::Reference<lang::XComponent>> documents;
    uno::Reference<container::XEnumeration> e = desktop->getComponents()->createEnumeration();
    while (e->hasMoreElements()) {
        uno::Reference<text::XTextDocument> doc(e->nextElement(), uno::UNO_QUERY);
        if (doc.is())
            documents.emplace_back(doc, uno::UNO_QUERY);
    }
    return documents;
}

namespace {

class LibreOfficeDocument : public OfficeDocument {
public:
    LibreOfficeDocument(std::shared_ptr<OfficeInstance> instance, uno::Reference<lang::XComponent> component)
        : m_instance(std::move(instance)), m_component(std::move(component))
    {
    }

    QString FullName() const override
    {
        const QString url = m_instance->Call([&] {
            uno::Reference<frame::XModel> model(m_component, uno::UNO_QUERY_THROW);
            return ToQ(model->getURL());
        });
        return url.isEmpty() ? QString() : QUrl(url).toLocalFile();
    }

    void SetSubdocumentsExpanded(bool expanded) override
    {
        if (!expanded)
            return;
        // The parts of a master document are sections linked to files of
        // their own; bringing them in is an update of the links. A document
        // without such sections is left alone, so that nothing is fetched
        // that the document merely refers to.
        m_instance->Call([&] {
            uno::Reference<text::XTextSectionsSupplier> supplier(m_component, uno::UNO_QUERY);
            if (!supplier.is())
                return;
            uno::Reference<container::XNameAccess> sections = supplier->getTextSections();
            bool linked = false;
            for (const rtl::OUString& name : sections->getElementNames()) {
                uno::Reference<beans::XPropertySet> section(sections->getByName(name), uno::UNO_QUERY);
                text::SectionFileLink link;
                if (section.is() && (section->getPropertyValue("FileLink") >>= link) && !link.FileURL.isEmpty())
                    linked = true;
            }
            uno::Reference<util::XLinkUpdate> update(m_component, uno::UNO_QUERY);
            if (linked && update.is())
                update->updateLinks();
        });
    }

    void PrintOut(bool background, const QString& outputFileName, int item, int copies, int pageType,
                  bool printToFile) override
    {
        // Printing always completes before returning, background or not.
        Q_UNUSED(background);
        if (!printToFile)
            Fail(QStringLiteral("LibreOffice prints only into a file here."));
        if (item != 0)
            Fail(QStringLiteral("Only the document content can be printed (item %1 was asked for).").arg(item));
        if (pageType != 0)
            Fail(QStringLiteral("Only all pages can be printed (page type %1 was asked for).").arg(pageType));
        if (copies != 1)
            Fail(QStringLiteral("Only one copy can be printed into a file (%1 were asked for).").arg(copies));
        if (outputFileName.isEmpty())
            Fail(QStringLiteral("No output file was given for printing."));

        const QFileInfo target(outputFileName);
        if (!target.absoluteDir().exists())
            Fail(QStringLiteral("The folder of \"%1\" does not exist.").arg(outputFileName));

        QString title = QFileInfo(FullName()).fileName();
        if (title.isEmpty())
            title = target.completeBaseName();

        QTemporaryFile pdf(target.absolutePath() + QStringLiteral("/.kalvinora-XXXXXX.pdf"));
        if (!pdf.open())
            Fail(QStringLiteral("No helper file can be created next to \"%1\": %2").arg(outputFileName, pdf.errorString()));
        pdf.close();

        m_instance->Call([&] {
            uno::Reference<frame::XStorable> storable(m_component, uno::UNO_QUERY_THROW);
            storable->storeToURL(ToOU(FileUrl(pdf.fileName())),
                                 Properties({Property("FilterName", uno::Any(rtl::OUString("writer_pdf_Export"))),
                                             Property("Overwrite", uno::Any(true))}));
        });

        DriverJob job;
        job.pdfPath = pdf.fileName();
        job.targetPath = outputFileName;
        job.title = title;
        job.user = platform::UserName();
        job.reversePages = m_instance->printReverse;
        job.timeoutMs = g_callTimeoutMs;
        WriteDriverPostScript(job);
    }

    void Close(bool saveChanges) override
    {
        m_instance->Call([&] {
            if (saveChanges) {
                uno::Reference<util::XModifiable> modifiable(m_component, uno::UNO_QUERY);
                if (modifiable.is() && modifiable->isModified())
                    uno::Reference<frame::XStorable>(m_component, uno::UNO_QUERY_THROW)->store();
            }
            uno::Reference<util::XCloseable> closeable(m_component, uno::UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
            else
                m_component->dispose();
        });
    }

private:
    std::shared_ptr<OfficeInstance> m_instance;
    uno::Reference<lang::XComponent> m_component;
};

}  // namespace

LibreOfficeApplication::LibreOfficeApplication(std::shared_ptr<OfficeInstance> instance) : m_instance(std::move(instance)) {}

LibreOfficeApplication::~LibreOfficeApplication() = default;

bool LibreOfficeApplication::Installed()
{
    return QFileInfo(OfficeProcess::ProgramFolder() + QStringLiteral("/soffice.bin")).isExecutable();
}

std::shared_ptr<OfficeApplication> LibreOfficeApplication::Connect()
{
    std::shared_ptr<OfficeInstance>& running = RunningInstance();
    if (running && running->Alive())
        return std::make_shared<LibreOfficeApplication>(running);
    if (running) {
        running->End(false);
        running.reset();
    }
    auto instance = std::make_shared<OfficeInstance>();
    QString printer = PrinterSystem::Instance().DefaultPrinterName();
    if (printer.isEmpty())
        printer = PrinterSystem::BuiltInPrinterName();
    instance->activePrinter = printer;
    instance->Start();  // on failure the instance ends its process as it goes
    running = instance;
    RegisterExitHandlers();
    return std::make_shared<LibreOfficeApplication>(instance);
}

void LibreOfficeApplication::Shutdown()
{
    std::shared_ptr<OfficeInstance>& running = RunningInstance();
    if (!running)
        return;
    running->End(true);
    running.reset();
}

qint64 LibreOfficeApplication::RunningProcessId()
{
    const std::shared_ptr<OfficeInstance>& running = RunningInstance();
    return running && running->Alive() ? running->process.Pid() : -1;
}

void LibreOfficeApplication::SetTimeouts(int startMs, int callMs)
{
    g_startTimeoutMs = startMs;
    g_callTimeoutMs = callMs;
}

int LibreOfficeApplication::StartTimeoutMs() { return g_startTimeoutMs; }

int LibreOfficeApplication::CallTimeoutMs() { return g_callTimeoutMs; }

qint64 LibreOfficeApplication::ProcessId() const { return m_instance->Alive() ? m_instance->process.Pid() : -1; }

QString LibreOfficeApplication::ActivePrinter() const
{
    m_instance->CheckUsable();
    return m_instance->activePrinter;
}

void LibreOfficeApplication::SetActivePrinter(const QString& printerName)
{
    m_instance->CheckUsable();
    const PrinterSystem& printers = PrinterSystem::Instance();
    if (!printers.PrinterExists(printerName))
        Fail(QStringLiteral("There is no printer named \"%1\".").arg(printerName));
    m_instance->activePrinter = printers.At(printers.IndexOf(printerName))->Name();
}

int LibreOfficeApplication::DocumentsCount() const
{
    return m_instance->Call([&] { return int(m_instance->TextDocuments().size()); });
}

std::shared_ptr<OfficeDocument> LibreOfficeApplication::DocumentsItem(int index) const
{
    const auto documents = m_instance->Call([&] { return m_instance->TextDocuments(); });
    if (index < 1 || index > int(documents.size()))
        Fail(QStringLiteral("There is no open document number %1.").arg(index));
    return std::make_shared<LibreOfficeDocument>(m_instance, documents[size_t(index - 1)]);
}

void LibreOfficeApplication::ChangeFileOpenDirectory(const QString& path)
{
    m_instance->CheckUsable();
    if (!QFileInfo(path).isDir())
        Fail(QStringLiteral("The folder \"%1\" does not exist.").arg(path));
    m_instance->openDirectory = path;
}

std::shared_ptr<OfficeDocument> LibreOfficeApplication::DocumentsOpen(const QString& fileName)
{
    m_instance->CheckUsable();
    QString path = fileName;
    if (QDir::isRelativePath(path))
        path = QDir(m_instance->openDirectory.isEmpty() ? QDir::currentPath() : m_instance->openDirectory).filePath(fileName);

    const QFileInfo info(path);
    if (!info.exists())
        Fail(QStringLiteral("The file \"%1\" does not exist.").arg(path));
    if (info.isDir())
        Fail(QStringLiteral("\"%1\" is a folder, not a document.").arg(path));
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("The file \"%1\" cannot be read: %2").arg(path, probe.errorString()));
    }
    // The office would open an empty file as a new, empty document.
    if (info.size() == 0)
        Fail(QStringLiteral("The file \"%1\" is empty; it is not a document.").arg(path));

    const QString url = FileUrl(path);
    QString filter;
    const QString type = m_instance->Call([&] {
        uno::Reference<lang::XMultiComponentFactory> factory = m_instance->context->getServiceManager();
        uno::Reference<document::XTypeDetection> detection(
            factory->createInstanceWithContext("com.sun.star.document.TypeDetection", m_instance->context), uno::UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> descriptor = Properties({Property("URL", uno::Any(ToOU(url)))});
        const QString detected = ToQ(detection->queryTypeByDescriptor(descriptor, true));
        filter = PropertyText(descriptor, "FilterName");
        return detected;
    });
    // Whatever the office recognises as nothing else it would take for
    // plain text: bytes that are no document would print as garbage.
    if (type.isEmpty() || filter.isEmpty())
        Fail(QStringLiteral("The file \"%1\" is not a document that LibreOffice can read.").arg(path));
    if (type.startsWith(QLatin1String("generic_")) || filter == QLatin1String("Text") ||
        filter == QLatin1String("Text (encoded)"))
        Fail(QStringLiteral("The file \"%1\" is not a Word document: LibreOffice recognises it only as plain text.").arg(path));

    auto component = m_instance->Call([&] {
        const uno::Sequence<beans::PropertyValue> properties = Properties({
            Property("Hidden", uno::Any(true)),
            Property("ReadOnly", uno::Any(true)),
            Property("AsTemplate", uno::Any(false)),
            Property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            Property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
            Property("FilterName", uno::Any(ToOU(filter))),
        });
        return m_instance->desktop->loadComponentFromURL(ToOU(url), "_blank", 0, properties);
    });
    if (!component.is())
        Fail(QStringLiteral("LibreOffice could not open the file \"%1\".").arg(path));
    auto doc = std::make_shared<LibreOfficeDocument>(m_instance, component);
    const bool isText = m_instance->Call([&] { return uno::Reference<text::XTextDocument>(component, uno::UNO_QUERY).is(); });
    if (!isText) {
        doc->Close(false);
        Fail(QStringLiteral("The file \"%1\" is not a text document.").arg(path));
    }
    return doc;
}

bool LibreOfficeApplication::PrintReverse() const
{
    m_instance->CheckUsable();
    return m_instance->printReverse;
}

void LibreOfficeApplication::SetPrintReverse(bool reverse)
{
    m_instance->CheckUsable();
    m_instance->printReverse = reverse;
}

void LibreOfficeApplication::Quit()
{
    m_instance->CheckUsable();
    m_instance->End(true);
    std::shared_ptr<OfficeInstance>& running = RunningInstance();
    if (running == m_instance)
        running.reset();
}

void LibreOfficeApplication::SetVisible(bool visible)
{
    // Without a screen there is nothing to show; the wish is kept.
    m_instance->CheckUsable();
    m_instance->visible = visible;
}
