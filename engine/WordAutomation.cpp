#include "engine/WordAutomation.h"

#include "core/LanguageFile.h"
#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "engine/RunPaths.h"
#include "engine/WorkPaths.h"
#include "platform/office/LibreOfficeApplication.h"

#include <QStringList>

#include <stdexcept>

namespace {

OfficeConnector& Factory()
{
    static OfficeConnector connector = ConnectLibreOffice;
    return connector;
}

const QString kWinword = QStringLiteral("Winword");

// Everything before the last "/" (the root stays "/").
QString DirectoryPart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

QString NoDocPrintText(const QString& message)
{
    return FillPlaceholders(
        // clang-format off
        LangString("Main", "NoDocPrint", "Der Zugriff auf die COM-Schnittstelle vom %s-Dokument schlug fehl (%s). Starten Sie Windows neu und versuchen Sie es erneut. Sollte dieser Fehler erneut auftreten, versuchen Sie einen anderen Druckertreiber oder verkleinern Sie das Dokument."),
        // clang-format on
        {kWinword, message});
}

UniCodeException NoDocPrint(const QString& message) { return UniCodeException(NoDocPrintText(message)); }

// The document application could not open the file.
struct OpenFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace

OfficeConnector OfficeApplicationFactory() { return Factory(); }

OfficeConnector SetOfficeApplicationFactory(OfficeConnector connector)
{
    OfficeConnector previous = Factory();
    Factory() = connector ? std::move(connector) : OfficeConnector(ConnectLibreOffice);
    return previous;
}

WordAutomation::WordAutomation(const ProgramState& state, std::function<void()> stepProgress, OfficeConnector connector)
    : m_state(state), m_stepProgress(std::move(stepProgress)), m_connector(std::move(connector))
{
}

WordAutomation::~WordAutomation() { ReleaseWord(); }

void WordAutomation::StepProgress()
{
    if (m_stepProgress)
        m_stepProgress();
}

void WordAutomation::StartWord()
{
    const OfficeConnector connect = m_connector ? m_connector : OfficeApplicationFactory();
    auto attempt = [&] {
        std::shared_ptr<OfficeApplication> app = connect();
        if (!app)
            throw std::runtime_error("The document application gave no connection.");
        return app;
    };
    m_app.reset();
    try {
        m_app = attempt();
    } catch (const std::exception&) {
        try {
            m_app = attempt();
        } catch (const std::exception& e) {
            throw UniCodeException(FillPlaceholders(
                // clang-format off
                LangString("Main", "NoConnect", "Der Zugriff auf die COM-Schnittstelle von %s wurde verweigert (%s). Dieser Fehler lässt sich im Allgemeinen durch die Neuinstallation oder Reperaturinstallation von %s beheben."),
                // clang-format on
                {kWinword, ExceptionText(e), kWinword}));
        }
    }
    WriteProtocol(QStringLiteral("WordApp verbunden"));
    StepProgress();

    m_savedPrinter = m_app->ActivePrinter();
    try {
        m_app->SetActivePrinter(m_state.Printer);
    } catch (const std::exception& e) {
        throw UniCodeException(FillPlaceholders(
            LangString("Main", "NoSetPrinter", "Der gewählte Drucker \"%s\" konnte nicht eingestellt werden (%s)."),
            {m_state.Printer, ExceptionText(e)}));
    }
    StepProgress();
    WriteProtocol(QStringLiteral("Printer >") + m_app->ActivePrinter() + QStringLiteral("< gesetzt"));
}

void WordAutomation::ConvertWordDocument(const QString& path)
{
    if (!m_app)
        throw NoDocPrint(QStringLiteral("The document application is not connected."));

    std::shared_ptr<OfficeDocument> doc;
    const QString dir = ShortPath(DirectoryPart(path));
    const QString name = FileNamePart(path);
    WriteProtocol(QStringLiteral("Dokument: ") + path);

    bool savedReverse = false;
    bool reverseSwitched = false;
    try {
        bool alreadyOpen = false;
        const int count = m_app->DocumentsCount();
        for (int i = 1; i <= count; ++i) {
            std::shared_ptr<OfficeDocument> open = m_app->DocumentsItem(i);
            // Exactly the same path: a document whose name differs in letter
            // case is another file here.
            if (open->FullName() == path) {
                alreadyOpen = true;
                doc = open;
                break;
            }
        }
        if (!alreadyOpen) {
            m_app->ChangeFileOpenDirectory(dir);
            try {
                doc = m_app->DocumentsOpen(name);
            } catch (const std::exception& e) {
                throw OpenFailure(ExceptionText(e).toStdString());
            }
        }
        WriteProtocol(QStringLiteral("Dokument verbunden"));

        const QString workFile = CheckPSPath(m_state, ReplaceExtension(path, QStringLiteral(".ps")));
        m_psInput = ShortPath(workFile);
        m_outputPath = DocumentOutputPath(m_state, path);
        WriteProtocol(QStringLiteral("Dokument2: ") + m_outputPath);

        savedReverse = m_app->PrintReverse();
        WriteProtocol(QStringLiteral("Print Revers ausgelesen"));
        m_app->SetPrintReverse(false);
        reverseSwitched = true;
        WriteProtocol(QStringLiteral("Print Revers gesetzt"));

        doc->SetSubdocumentsExpanded(true);
        WriteProtocol(QStringLiteral("SubDoc OK"));

        WriteProtocol(QStringLiteral("Vor Dok gedruckt"));
        doc->PrintOut(false, m_psInput, 0, 1, 0, true);
        WriteProtocol(QStringLiteral("Dok. gedruckt"));

        m_app->SetPrintReverse(savedReverse);
        reverseSwitched = false;
        WriteProtocol(QStringLiteral("Print Rev. rueckgesetzt"));

        if (!alreadyOpen)
            doc->Close(false);
        WriteProtocol(QStringLiteral("Dok CLose"));
        WriteProtocol(QStringLiteral("Dok. geschlossen"));
        StepProgress();
    } catch (const std::exception& e) {
        const QString message = ExceptionText(e);
        WriteProtocol(QStringLiteral("Exc:") + message);
        doc.reset();
        WriteProtocol(QStringLiteral("Exc Disconnect"));
        WriteProtocol(QStringLiteral("Exc Doc Free"));
        // The user's reverse-order option is not left switched off because
        // one document failed.
        if (reverseSwitched) {
            try {
                m_app->SetPrintReverse(savedReverse);
                WriteProtocol(QStringLiteral("Print Rev. rueckgesetzt"));
            } catch (const std::exception&) {
            }
        }
        // A file that cannot be opened as a document is that file's failure:
        // the other documents of the run still convert.
        if (dynamic_cast<const OpenFailure*>(&e))
            throw ItemFailure(NoDocPrintText(message));
        throw NoDocPrint(message);
    }
    doc.reset();
}

void WordAutomation::FinishWord()
{
    if (!m_app)
        throw std::runtime_error("The document application is not connected.");
    WriteProtocol(QStringLiteral("vor Printer ruecksetzen"));
    m_app->SetActivePrinter(m_savedPrinter);
    WriteProtocol(QStringLiteral("nach Printer ruecksetzen"));
    StepProgress();
    if (m_app->DocumentsCount() == 0)
        m_app->Quit();
    else
        m_app->SetVisible(true);
}

void WordAutomation::ReleaseWord() noexcept { m_app.reset(); }
