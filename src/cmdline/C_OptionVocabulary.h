#pragma once

// The option vocabulary of the four products, written once as data. Every
// table, field and accessor of the option set is made from these two lists.
//
// VANTREL_OPTIONS(X): one row per option, in byte order of the keywords (the
// order of the option set's fields):
//   X(member, "keyword", Kind, default, products, listed)
// member names the accessor (the keyword, with "c++" spelled "cpp" and
// "k+r" spelled "kandr"); Kind is the class name after C_Option; default is
// the bool, integer or text default, or kNoDefault; products is a mask of
// product-table rows; listed says whether the settings listing shows it.
//
// VANTREL_OPTION_ALIASES(A): one row per alias: A(member, "alias"). An alias
// belongs to every product that knows its option.

#include <cstdint>

// Bit i stands for row i of the product table (ZXCPP, ZXC, ZXD, ZXJ).
constexpr std::uint32_t kZxcppOnly = 1u << 0;
constexpr std::uint32_t kZxcOnly = 1u << 1;
constexpr std::uint32_t kZxdOnly = 1u << 2;
constexpr std::uint32_t kZxjOnly = 1u << 3;
constexpr std::uint32_t kZxcAndZxcpp = kZxcppOnly | kZxcOnly;
constexpr std::uint32_t kAllProducts = kZxcppOnly | kZxcOnly | kZxdOnly | kZxjOnly;

/// Stands for "no default" in the vocabulary: such options start empty.
struct C_NoDefault {};
constexpr C_NoDefault kNoDefault{};

// clang-format off
#define VANTREL_OPTIONS(X) \
    X(align, "align", StringList, kNoDefault, kZxcAndZxcpp, true) \
    X(allowconstconvdeduction, "allowconstconvdeduction", Bool, false, kZxcppOnly, true) \
    X(allowfnptrconvdeduction, "allowfnptrconvdeduction", Bool, false, kZxcppOnly, true) \
    X(allowimplicitconvptrmbr, "allowimplicitconvptrmbr", Bool, false, kZxcppOnly, true) \
    X(allowimplicitlangconv, "allowimplicitlangconv", Bool, false, kZxcppOnly, true) \
    X(allowtempnonconstrefbind, "allowtempnonconstrefbind", Bool, false, kZxcppOnly, true) \
    X(allowtmplargnullptrconv, "allowtmplargnullptrconv", Bool, false, kZxcppOnly, true) \
    X(alwaysusedirectinitializer, "alwaysusedirectinitializer", Bool, false, kZxcppOnly, true) \
    X(arithrsh, "arithrsh", Bool, false, kZxcAndZxcpp, true) \
    X(bitsigned, "bitsigned", Bool, false, kZxcAndZxcpp, true) \
    X(cpp03auto, "c++03auto", Bool, false, kZxcppOnly, true) \
    X(cpp03decltype, "c++03decltype", Bool, false, kZxcppOnly, true) \
    X(cpp03nomove, "c++03nomove", Bool, false, kZxcppOnly, true) \
    X(calling, "calling", Filename, kNoDefault, kZxcOnly, true) \
    X(callpack, "callpack", Filename, kNoDefault, kZxcOnly, true) \
    X(classpath, "classpath", Filename, kNoDefault, kZxjOnly, true) \
    X(closeprec, "closeprec", String, kNoDefault, kZxjOnly, true) \
    X(comment, "comment", String, kNoDefault, kZxcOnly, true) \
    X(completeclasses, "completeclasses", Bool, false, kZxcppOnly, false) \
    X(createpph, "createpph", Filename, kNoDefault, kZxcppOnly, false) \
    X(crossmoduleanalysisfile, "crossmoduleanalysisfile", Filename, kNoDefault, kAllProducts, true) \
    X(customreport, "customreport", StringList, kNoDefault, kAllProducts, false) \
    X(d, "d", StringList, kNoDefault, kZxcAndZxcpp, true) \
    X(debug, "debug", StringList, kNoDefault, kAllProducts, false) \
    X(declundented, "declundented", Bool, false, kZxcppOnly, false) \
    X(delayparsefntemplates, "delayparsefntemplates", Bool, false, kZxcppOnly, true) \
    X(dontusec99decintlittypes, "dontusec99decintlittypes", Bool, true, kZxcppOnly, true) \
    X(echo, "echo", Echo, kNoDefault, kAllProducts, true) \
    X(enabledataflow, "enabledataflow", Bool, false, kZxcAndZxcpp, true) \
    X(encoding, "encoding", String, kNoDefault, kAllProducts, true) \
    X(errorinvalidcfgarg, "errorinvalidcfgarg", Bool, false, kAllProducts, false) \
    X(errorinvalidcfgvalue, "errorinvalidcfgvalue", Bool, false, kAllProducts, false) \
    X(expandfilenames, "expandfilenames", Bool, true, kAllProducts, false) \
    X(expandmultihomedmessages, "expandmultihomedmessages", IntList, kNoDefault, kAllProducts, true) \
    X(extensions, "extensions", StringList, kNoDefault, kZxcOnly, true) \
    X(file, "file", Filename, kNoDefault, kAllProducts, true) \
    X(filenamereplace, "filenamereplace", StringList, kNoDefault, kAllProducts, false) \
    X(foldplainchar, "foldplainchar", Bool, false, kZxcOnly, true) \
    X(forceinclude, "forceinclude", FilenameList, kNoDefault, kZxcAndZxcpp, true) \
    X(forgetall, "forgetall", Forget, kNoDefault, kAllProducts, true) \
    X(format, "format", I8NString, kNoDefault, kAllProducts, true) \
    X(hdrsuppress, "hdrsuppress", Bool, false, kAllProducts, true) \
    X(heap, "heap", Int, 512, kZxcOnly, true) \
    X(help, "help", Bool, false, kAllProducts, true) \
    X(hiddenmessage, "hiddenmessage", Bool, false, kAllProducts, true) \
    X(hiddenwarnings, "hiddenwarnings", Bool, false, kAllProducts, true) \
    X(hidemacrowarnings, "hidemacrowarnings", Bool, false, kZxcppOnly, true) \
    X(html, "html", Bool, false, kAllProducts, true) \
    X(i, "i", FilenameList, kNoDefault, kZxcAndZxcpp, true) \
    X(ident, "ident", String, kNoDefault, kAllProducts, false) \
    X(indentlevel, "indentlevel", Int, 0, kZxcOnly, true) \
    X(intrinsictype, "intrinsictype", StringList, kNoDefault, kZxcAndZxcpp, true) \
    X(introducefriendnames, "introducefriendnames", Bool, false, kZxcppOnly, true) \
    X(javadoctag, "javadoctag", StringList, kNoDefault, kZxjOnly, true) \
    X(kandr, "k+r", String, kNoDefault, kZxcOnly, true) \
    X(keywords, "keywords", StringList, kNoDefault, kZxcppOnly, false) \
    X(layoutfile, "layoutfile", Filename, kNoDefault, kZxcppOnly, true) \
    X(layoutignoreheaders, "layoutignoreheaders", Bool, false, kZxcppOnly, true) \
    X(layoutindentwidth, "layoutindentwidth", Int, 0, kZxcppOnly, true) \
    X(layoutusehangingindent, "layoutusehangingindent", Bool, false, kZxcppOnly, true) \
    X(libraryusagefile, "libraryusagefile", Filename, kNoDefault, kZxcppOnly, false) \
    X(line, "line", Bool, false, kAllProducts, true) \
    X(list, "list", Via, kNoDefault, kAllProducts, true) \
    X(machine, "machine", String, kNoDefault, kZxcppOnly, false) \
    X(maxcount, "maxcount", Int, 0, kAllProducts, true) \
    X(maxerrors, "maxerrors", Int, 0, kAllProducts, true) \
    X(maxlinelength, "maxlinelength", Int, 0, kZxcOnly, true) \
    X(maxrecursivetemplatenestingdepth, "maxrecursivetemplatenestingdepth", Int, 200, kZxcppOnly, true) \
    X(messagesonly, "messagesonly", Bool, false, kAllProducts, true) \
    X(metrics, "metrics", Bool, true, kAllProducts, true) \
    X(msgref, "msgref", String, kNoDefault, kAllProducts, false) \
    X(namelength, "namelength", Int, 31, kZxcOnly, true) \
    X(namerulefile, "namerulefile", Filename, kNoDefault, kAllProducts, true) \
    X(nestedcomments, "nestedcomments", Bool, false, kZxcppOnly, false) \
    X(nocache, "nocache", Bool, false, kZxcppOnly, false) \
    X(nocallfrom, "nocallfrom", StringList, kNoDefault, kZxcppOnly, false) \
    X(nocallto, "nocallto", StringList, kNoDefault, kZxcppOnly, false) \
    X(noctlg, "noctlg", StringList, kNoDefault, kZxcppOnly, false) \
    X(nodecl, "nodecl", StringList, kNoDefault, kZxcppOnly, false) \
    X(noderivedfrom, "noderivedfrom", StringList, kNoDefault, kZxcppOnly, false) \
    X(noderivedto, "noderivedto", StringList, kNoDefault, kZxcppOnly, false) \
    X(nogen, "nogen", Bool, true, kZxcAndZxcpp, false) \
    X(noinclfrom, "noinclfrom", StringList, kNoDefault, kZxcppOnly, false) \
    X(noinclto, "noinclto", StringList, kNoDefault, kZxcppOnly, false) \
    X(nometrics, "nometrics", StringList, kNoDefault, kZxcppOnly, false) \
    X(nomsg, "nomsg", IntList, kNoDefault, kAllProducts, true) \
    X(noreffrom, "noreffrom", StringList, kNoDefault, kZxcppOnly, false) \
    X(norefto, "norefto", StringList, kNoDefault, kZxcppOnly, false) \
    X(noseparateargexpandedcomma, "noseparateargexpandedcomma", Bool, false, kZxcppOnly, true) \
    X(nosort, "nosort", Bool, false, kAllProducts, true) \
    X(onelineonly, "onelineonly", Bool, false, kAllProducts, true) \
    X(only, "only", IntList, kNoDefault, kAllProducts, true) \
    X(outputpath, "outputpath", Filename, kNoDefault, kAllProducts, true) \
    X(overwrite, "overwrite", Bool, false, kZxcOnly, true) \
    X(patchfile, "patchfile", FilenameList, kNoDefault, kAllProducts, false) \
    X(pluginpath, "pluginpath", Filename, kNoDefault, kZxdOnly, true) \
    X(ppfilename, "ppfilename", Bool, false, kZxcAndZxcpp, true) \
    X(pph, "pph", FilenameList, kNoDefault, kZxcppOnly, false) \
    X(pphversion, "pphversion", Int, 1, kZxcppOnly, false) \
    X(pplist, "pplist", Bool, false, kZxcAndZxcpp, true) \
    X(ppmetrics, "ppmetrics", Bool, false, kZxcOnly, true) \
    X(pponly, "pponly", Bool, false, kZxcppOnly, true) \
    X(preproc32bittype, "preproc32bittype", Bool, false, kZxcppOnly, true) \
    X(prodoption, "prodoption", StringList, kNoDefault, kAllProducts, true) \
    X(projectfile, "projectfile", Filename, kNoDefault, kAllProducts, false) \
    X(propagatetemplateparameters, "propagatetemplateparameters", Bool, false, kZxcppOnly, true) \
    X(quiet, "quiet", FilenameList, kNoDefault, kZxcAndZxcpp, true) \
    X(references, "references", Bool, false, kAllProducts, true) \
    X(remark, "remark", StringList, kNoDefault, kAllProducts, true) \
    X(rvaluerefbind, "rvaluerefbind", Bool, true, kZxcppOnly, true) \
    X(searchdependentbaseclasses, "searchdependentbaseclasses", Bool, false, kZxcppOnly, true) \
    X(settings, "settings", Bool, false, kAllProducts, true) \
    X(showalias, "showalias", Bool, true, kZxcppOnly, true) \
    X(size, "size", StringList, kNoDefault, kZxcAndZxcpp, true) \
    X(skippragma, "skippragma", StringList, kNoDefault, kZxcOnly, true) \
    X(slashwhite, "slashwhite", Bool, false, kZxcAndZxcpp, true) \
    X(sourcepath, "sourcepath", Filename, kNoDefault, kAllProducts, false) \
    X(sql, "sql", Bool, false, kZxcppOnly, false) \
    X(sqlvendor, "sqlvendor", String, kNoDefault, kZxcppOnly, false) \
    X(standard, "standard", Bool, false, kAllProducts, true) \
    X(stdisglobal, "stdisglobal", Bool, false, kZxcppOnly, true) \
    X(strict, "strict", Bool, true, kZxcOnly, true) \
    X(strictrank, "strictrank", Bool, false, kZxcOnly, true) \
    X(strictsignedness, "strictsignedness", Bool, true, kZxcOnly, true) \
    X(style, "style", String, "exdented", kZxcOnly, true) \
    X(summary, "summary", Bool, false, kAllProducts, true) \
    X(suppressiondifftool, "suppressiondifftool", String, kNoDefault, kAllProducts, false) \
    X(suppressionfile, "suppressionfile", Filename, kNoDefault, kAllProducts, false) \
    X(suppresslvl, "suppresslvl", IntList, kNoDefault, kAllProducts, true) \
    X(syntaxreccmds, "syntaxreccmds", String, kNoDefault, kZxjOnly, true) \
    X(systemdefine, "systemdefine", StringList, kNoDefault, kZxcppOnly, true) \
    X(systeminclude, "systeminclude", FilenameList, kNoDefault, kZxcppOnly, true) \
    X(tablesummary, "tablesummary", Bool, false, kAllProducts, true) \
    X(tabstop, "tabstop", Int, 8, kAllProducts, true) \
    X(textonly, "textonly", Bool, false, kAllProducts, true) \
    X(threshold, "threshold", StringList, kNoDefault, kAllProducts, true) \
    X(total, "total", Bool, false, kAllProducts, true) \
    X(unsignedchar, "unsignedchar", Bool, false, kZxcOnly, true) \
    X(updateerr, "updateerr", Bool, false, kAllProducts, false) \
    X(userealthrowntypes, "userealthrowntypes", Bool, false, kZxcppOnly, false) \
    X(usrfile, "usrfile", Filename, kNoDefault, kAllProducts, true) \
    X(usrpath, "usrpath", Filename, kNoDefault, kAllProducts, true) \
    X(version, "version", Bool, false, kAllProducts, true) \
    X(via, "via", Via, kNoDefault, kAllProducts, true) \
    X(warncall, "warncall", StringList, kNoDefault, kZxcAndZxcpp, true) \
    X(warnkeyword, "warnkeyword", StringList, kNoDefault, kZxcppOnly, true) \
    X(warnpragma, "warnpragma", StringList, kNoDefault, kZxcppOnly, true) \
    X(xcase, "xcase", Bool, false, kZxcOnly, true) \
    X(xnamelength, "xnamelength", Int, 6, kZxcOnly, true)

#define VANTREL_OPTION_ALIASES(A) \
    A(align, "a") \
    A(allowconstconvdeduction, "accd") \
    A(allowfnptrconvdeduction, "afpcd") \
    A(allowimplicitconvptrmbr, "aicpm") \
    A(allowimplicitlangconv, "ailc") \
    A(allowtempnonconstrefbind, "atncrb") \
    A(allowtmplargnullptrconv, "atanpc") \
    A(alwaysusedirectinitializer, "audi") \
    A(arithrsh, "ar") \
    A(bitsigned, "bits") \
    A(cpp03auto, "c++03a") \
    A(cpp03decltype, "c++03dt") \
    A(cpp03nomove, "c++03nm") \
    A(comment, "co") \
    A(completeclasses, "cc") \
    A(createpph, "cpph") \
    A(crossmoduleanalysisfile, "cmaf") \
    A(debug, "deb") \
    A(declundented, "declu") \
    A(delayparsefntemplates, "dpft") \
    A(dontusec99decintlittypes, "duc99dilt") \
    A(echo, "e") \
    A(enabledataflow, "ed") \
    A(encoding, "en") \
    A(errorinvalidcfgarg, "eica") \
    A(errorinvalidcfgvalue, "eicv") \
    A(expandfilenames, "ef") \
    A(expandmultihomedmessages, "emhm") \
    A(extensions, "ex") \
    A(filenamereplace, "fr") \
    A(foldplainchar, "fpc") \
    A(forceinclude, "fi") \
    A(forgetall, "f") \
    A(forgetall, "forget") \
    A(hdrsuppress, "hdr") \
    A(help, "h") \
    A(hiddenmessage, "hm") \
    A(hiddenwarnings, "hw") \
    A(hidemacrowarnings, "hmw") \
    A(indentlevel, "il") \
    A(intrinsictype, "it") \
    A(introducefriendnames, "ifn") \
    A(keywords, "kw") \
    A(layoutfile, "lf") \
    A(layoutignoreheaders, "lih") \
    A(layoutindentwidth, "liw") \
    A(layoutusehangingindent, "luhi") \
    A(libraryusagefile, "luf") \
    A(line, "l") \
    A(maxcount, "max") \
    A(maxerrors, "maxerr") \
    A(maxlinelength, "mll") \
    A(maxrecursivetemplatenestingdepth, "mrtnd") \
    A(messagesonly, "m") \
    A(metrics, "met") \
    A(namelength, "na") \
    A(namerulefile, "nrf") \
    A(nestedcomments, "nc") \
    A(nocallfrom, "nocf") \
    A(nocallto, "noct") \
    A(noderivedfrom, "nodf") \
    A(noderivedto, "nodt") \
    A(nogen, "ng") \
    A(noinclfrom, "noif") \
    A(noinclto, "noit") \
    A(nometrics, "nomet") \
    A(nomsg, "n") \
    A(nomsg, "no") \
    A(noreffrom, "norf") \
    A(norefto, "nort") \
    A(noseparateargexpandedcomma, "nsaec") \
    A(onelineonly, "one") \
    A(only, "o") \
    A(outputpath, "op") \
    A(overwrite, "over") \
    A(ppfilename, "ppf") \
    A(pphversion, "pphv") \
    A(pplist, "ppl") \
    A(ppmetrics, "ppm") \
    A(pponly, "ppo") \
    A(preproc32bittype, "pp32bt") \
    A(prodoption, "paloption") \
    A(prodoption, "po") \
    A(prodoption, "zo") \
    A(prodoption, "zxcppoption") \
    A(projectfile, "prj") \
    A(propagatetemplateparameters, "ptp") \
    A(quiet, "q") \
    A(references, "ref") \
    A(remark, "rem") \
    A(rvaluerefbind, "rvrb") \
    A(searchdependentbaseclasses, "sdep") \
    A(settings, "set") \
    A(showalias, "sa") \
    A(size, "s") \
    A(skippragma, "spragma") \
    A(slashwhite, "sl") \
    A(sourcepath, "sop") \
    A(sqlvendor, "sv") \
    A(standard, "st") \
    A(stdisglobal, "sig") \
    A(strict, "str") \
    A(strictrank, "sr") \
    A(strictsignedness, "ss") \
    A(style, "sty") \
    A(summary, "summ") \
    A(suppressiondifftool, "sdt") \
    A(suppressionfile, "sf") \
    A(suppresslvl, "su") \
    A(syntaxreccmds, "rec") \
    A(systemdefine, "sd") \
    A(systeminclude, "si") \
    A(tablesummary, "tsumm") \
    A(tabstop, "t") \
    A(tabstop, "tab") \
    A(textonly, "text") \
    A(threshold, "thresh") \
    A(unsignedchar, "u") \
    A(userealthrowntypes, "urtt") \
    A(usrfile, "usr") \
    A(usrpath, "up") \
    A(version, "ver") \
    A(warncall, "wc") \
    A(warnkeyword, "wk") \
    A(warnpragma, "wp") \
    A(xcase, "xc") \
    A(xnamelength, "xn")
// clang-format on
