#pragma once

#include "app/QL_App.h"
#include "cmdline/C_OrphanHandler.h"
#include "driver/DiffProcess.h"
#include "driver/RunLog.h"
#include "patch/FilePatch.h"
#include "patch/PatchHandler.h"
#include "platform/DirectoryTable.h"
#include "util/U_Filename.h"
#include "util/U_RefPtr.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <map>
#include <set>
#include <string>

class QCoreApplication;
class QSqlError;
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
    // "help", and when the database cannot be opened; 1 without input files.
    // Throws what the output channel, the diff or the cache writing throws,
    // and BaselineQueryException when a query of the open database fails.
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
    // cached one (a regular file's only) and its cached commands stay in the
    // 32-bit line range, else from a run of the diff command; null as above,
    // and when the diff's change commands leave that range.
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

    // Opens the log that name (bytes) asks for ("-": standard output); a
    // file that cannot be opened gets a warning on standard output and no
    // log.
    void openLog(const std::string& name, const C_OrphanFileHandler& handler);
    // value (internal text) through the native encoding and back, logged as
    // what was passed in and what it expanded to.
    std::string expandedValue(const std::string& what, const std::string& value);
    // The baseline's path (internal text): "-sf", else baseline.sup in the
    // output directory.
    std::string resolveSuppressionFile();
    // The root path from "-sop", absolute (native bytes); stays empty
    // without it.
    void resolveRootPath();
    // The diff command from "-sdt" (its bytes), else the default one beside
    // supPath (native bytes).
    void resolveDiffCommand(const std::string& supPath);
    // Loads (or, under nocache, erases) "patch.xml"; returns its path.
    std::string loadPatchCache();
    // False when the database cannot be used for this run; throws as
    // runOutOfDescriptors when no descriptor was left to open it.
    bool openDatabase(BaselineDatabase& db);
    // No descriptor was left to open path (error EMFILE or ENFILE): logs
    // it and throws U_UserException, which ends the run with exit code 18
    // before any later message file or "patch.xml" is touched.
    [[noreturn]] void runOutOfDescriptors(const std::string& path, int error);
    // Logs that the message file errPath (internal text) takes no section,
    // and why.
    void sectionNotAppended(const std::string& errPath, const std::string& reason);
    // Empties the patch cache unless it is stamped with the baseline's
    // current digest, and stamps it with that digest when it is known.
    void refreshCacheStamp();
    // Reads the input's message file and appends its section. Reading
    // failures are logged; channel failures and failed baseline queries
    // throw, the message file left as it was.
    void processSourceFile(const C_InputFile& input, BaselineDatabase& db);
    // Sends the moved suppressions of the files names (internal text) to
    // the open channel, in the order of the names. Throws as registration
    // does, and BaselineQueryException when a suppression query fails.
    void appendSuppressions(const std::set<std::string>& names, BaselineDatabase& db);
    // The database lookup key of the file name (internal text; nativeName
    // its native bytes): the UTF-8 of its text form while that keeps every
    // byte of the name and of the root path, else the name's own bytes, so
    // that two names never meet at one key.
    std::string lookupKey(const std::string& name, const std::string& nativeName) const;
    // The registration of name's key, asked once per run; 0 when the file
    // is not registered. Throws as baselineFailed when the query fails.
    int registration(const std::string& key, BaselineDatabase& db);
    // A query for key failed: logs SQLite's texts and throws
    // BaselineQueryException, which ends the run with exit code 18 before
    // any later message file or "patch.xml" is touched.
    [[noreturn]] void baselineFailed(const std::string& key, const QSqlError& error);
    // The mapping of name from its entry in the patch cache, when the entry
    // holds the file's digest hash (not empty) and its commands stay in the
    // 32-bit line range: then true. Else false, with the entry emptied and
    // dated hash for the diff to fill.
    bool replayCachedMapping(const std::string& name, const std::string& hash, U_RefPtr<FilePatch>& mapping);
    // Runs the diff command for name, its placeholders filled and logged;
    // NoCommand for an empty command.
    DiffResult runDiff(const std::string& name);
    // Logs how the diff of name failed.
    void logDiffFailure(const DiffResult& result, const std::string& name);
    // Writes "patch.xml" when the cache changed and nocache is off; a save
    // that fails is logged and keeps the old file.
    void savePatchCache(const std::string& path);

    // The output directories of the run, each opened at its first use:
    // message files and "patch.xml" are reached through them only.
    platform::DirectoryTable outputDirectories_;
    QCoreApplication* application_ = nullptr;
    U_RefPtr<QL_App> frame_;
    C_OrphanFileHandler ownOrphanHandler_;
    std::map<std::string, std::string> nameReplacements_;
    U_RefPtr<C_CmdArgs> cmdArgs_;
    std::map<std::string, U_RefPtr<FilePatch>> filePatches_;
    PatchHandler patchCache_;
    // The baseline's stamp: the digest that the cache must hold to be used;
    // empty when it could not be taken.
    std::string supHash_;
    RunLog log_;
    // Bytes in the native encoding: they reach the file system and the diff
    // command as they are.
    std::string rootPath_;
    std::string diffCommand_;
    // The baseline's path, native bytes with "/" separators.
    std::string dbFile_;
    // By lookup key: FR_Ident's bytes as the database holds them, and
    // FR_Primary.
    std::map<std::string, std::string> identCache_;
    std::map<std::string, int> primaryCache_;
    // The file name of each file's suppression records, made once per run:
    // making it tests the file system.
    std::map<std::string, U_Filename> suppressionFiles_;
    bool nocache_ = false;
};
