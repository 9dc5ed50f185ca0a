#pragma once

#include "app/QL_App.h"
#include "cmdline/C_OrphanHandler.h"
#include "driver/RunLog.h"
#include "patch/FilePatch.h"
#include "patch/PatchHandler.h"
#include "util/U_Filename.h"
#include "util/U_RefPtr.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <map>
#include <string>

class QCoreApplication;
class BaselineDatabase;
class C_CmdArgs;

/// The program's work: for each input source file, the suppressions that the
/// baseline holds for the files its diagnostics name are moved to the lines
/// where those lines now stand (through the diff command, or the patch cache
/// "patch.xml") and appended to the source file's message file.
class KestroveDriver {
public:
    KestroveDriver();
    virtual ~KestroveDriver();
    KestroveDriver(const KestroveDriver&) = delete;
    KestroveDriver& operator=(const KestroveDriver&) = delete;

    // The process: silences Qt's messages, makes the application object and
    // the frame, and returns the frame's exit code.
    int exec(int argc, char** argv);

    // The run the frame calls: 0 after a normal run, after "version" or
    // "help", and when the database cannot be used; 1 without input files.
    // Throws what the output channel, the diff or the cache writing throws.
    int run(U_RefPtr<C_CmdArgs> cmdArgs, C_OrphanFileHandler* handler);
    // Writes the usage text, banner first, to standard error.
    void usage();

    // The driver's own collector; nothing fills it.
    virtual C_OrphanFileHandler* orphanFileHandler() { return &ownOrphanHandler_; }

    // The file's line mapping for this run (name: full name, native
    // encoding): treated once per run, then answered from memory. Null when
    // the file has no mapping (unchanged, or its diff failed).
    U_RefPtr<FilePatch> getFilePatch(const std::string& name);
    // The file's line mapping from the patch cache while its digest is the
    // cached one, else from a run of the diff command; null as above.
    U_RefPtr<FilePatch> createFilePatch(const std::string& name);
    // Appends the record of one baselined suppression at its mapped line to
    // the open message file, unless the line is gone (-1). patch may be null.
    void addBaselineSuppression(U_RefPtr<FilePatch> patch, std::int32_t line, std::int32_t column,
                                std::int32_t message, const std::string& name);

    // Ends a file log; a log on standard output stays.
    void closeLog();

    // Discards every message Qt would show.
    static void silentMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text);

private:
    // One log line: a text, or two parts joined by one blank. Nothing while
    // the log is off.
    void log(const char* text) { log_.write(text); }
    void log(const std::string& text) { log_.write(text); }
    void log(const QString& text) { log_.write(text.toLocal8Bit().toStdString()); }
    void log(const std::string& first, const std::string& second) { log_.write(first, second); }
    void log(const std::string& first, const char* second) { log_.write(first, second); }
    void log(const std::string& first, const QString& second)
    {
        log_.write(first, second.toLocal8Bit().toStdString());
    }

    // Opens the log that name asks for ("-": standard output); a file that
    // cannot be opened gets a warning on standard output and no log.
    void openLog(const QString& name, const C_OrphanFileHandler& handler);
    // value (internal text) through the native encoding and back, logged as
    // what was passed in and what it expanded to.
    std::string expandedValue(const std::string& what, const std::string& value);
    // The baseline's path: "-sf", else baseline.sup in the output directory.
    QString resolveSuppressionFile();
    // The root path from "-sop", absolute; stays empty without it.
    void resolveRootPath();
    // The diff command from "-sdt", else the default one beside supPath.
    void resolveDiffCommand(const QString& supPath);
    // Loads (or, under nocache, erases) "patch.xml"; returns its path.
    std::string loadPatchCache();
    // False when the database cannot be used for this run.
    bool openDatabase(BaselineDatabase& db);
    // Reads the input's message file and appends its section. Reading
    // failures are logged; channel failures throw.
    void processSourceFile(const C_InputFile& input, BaselineDatabase& db);
    // The registration of name's key, asked once per run; 0 when the file
    // is not registered.
    int registration(const QString& key, BaselineDatabase& db);
    // Writes "patch.xml" when the cache changed and nocache is off; a save
    // that fails is logged and keeps the old file.
    void savePatchCache(const std::string& path);

    QCoreApplication* application_ = nullptr;
    U_RefPtr<QL_App> frame_;
    C_OrphanFileHandler ownOrphanHandler_;
    std::map<std::string, std::string> nameReplacements_;
    U_RefPtr<C_CmdArgs> cmdArgs_;
    std::map<std::string, U_RefPtr<FilePatch>> filePatches_;
    PatchHandler patchCache_;
    QString supHash_;
    RunLog log_;
    QString rootPath_;
    QString diffCommand_;
    QString dbFile_;
    std::map<QString, QString> identCache_;
    std::map<QString, int> primaryCache_;
    // The file name of each file's suppression records, made once per run:
    // making it tests the file system.
    std::map<std::string, U_Filename> suppressionFiles_;
    bool nocache_ = false;
};
