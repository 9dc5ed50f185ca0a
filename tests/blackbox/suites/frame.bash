# The frame: the product argument, the BIN variable, the banner, the usage
# text and the exit codes, seen from outside.

BANNER='Vantrel Diagnostic baseline patch and ransform location processor 0.6 build 4212 Sep 11 2013 for Windows 64-bit
Copyright (C) Marrowby. All rights reserved.
'

# The usage text as the user sees it: the banner, an empty line, 46 lines.
usage_text() {
    local tab=$'\t' pad='               ' more='                  '
    printf '%s\n' "$BANNER"
    printf '%s\n' \
        "Usage: " \
        "vantrel <product> [options] <filename>" \
        "${pad}specify the product to use with the vantrel process" \
        "${pad}where <product> is one of ZXC or ZXCPP," \
        "${pad}<filename> is the source file being patched" \
        "${pad}and [options] are one or more of the following" \
        "-op <path>" \
        "${pad}specify the output path for the analysis" \
        "-sf <filename>" \
        "${pad}specify the full path to the baseline .sup file" \
        "-sop <path>" \
        "${pad}specify the current working source path, during the patch" \
        "${pad}process this path is used find the corresponding file within" \
        "${pad}the baseline .sup file" \
        "-sdt \"<tool> <options>\"" \
        "${pad}specify the diff tool to use to generate the patch information" \
        "${pad}between the baselined version of the source file and the" \
        "${pad}current working version." \
        "${pad}The following replacements occur as part of the <options>" \
        "${pad}%BF${tab}full path and filename, e.g. C:\\devel\\proj\\src\\file.c" \
        "${pad}%Bf${tab}filename, e.g. file.c" \
        "${pad}%BD${tab}full path, e.g. C:\\devel\\proj\\src" \
        "${pad}%BR${tab}full path and filename with the source path applied," \
        "${more}${tab}e.g. \$ROOTPATH\\proj\\src\\file.c" \
        "${pad}%Br${tab}full path with the source path applied," \
        "${more}${tab}e.g. \$ROOTPATH\\proj\\src" \
        "${pad}%BT${tab}the ident specified when the baseline was generated," \
        "${more}${tab}e.g. BASELINE_TAG" \
        "${pad}%BB${tab}full path and filename with the source path removed," \
        "${more}${tab}e.g. proj\\src\\file.c" \
        "${pad}%Bb${tab}full path with the source path removed," \
        "${more}${tab}e.g. proj\\src" \
        "-po baseline::log=\"<filename>\"" \
        "${pad}specify a log file to output processing information, this is" \
        "${pad}useful for debugging the steps the vantrel is performing." \
        "${pad}a '-' character instead of a file will output the log to STDOUT." \
        "${pad}The following parameter replacement occurs in the <filename>" \
        "${pad}%Bf, use the filename as part of the log filename, " \
        "${pad}e.g. assuming file.c is being patched then the following options" \
        "${pad}to -log %Bf_log.txt will output the log to file.c_log.txt" \
        "${pad}if a path is not specified as part of the <filename> then the" \
        "${pad}log file will be outputted to the output path." \
        "-po baseline::nocache" \
        "${pad}For performance reasons vantrel caches diff output in a" \
        "${pad}small file in the output directory.  Setting this value will" \
        "${pad}cause this file to be erased."
}

SUITE_frame() {
    TEST "no product"
    run_raw
    expect_rc 10
    expect_empty "$T/stdout"
    expect_file "$T/stderr" "ERROR: No product name specified.
$(usage_text)
"

    TEST "unknown product"
    run_raw XYZ a.c
    expect_rc 10
    expect_file "$T/stderr" "ERROR: Invalid product name specified.
$(usage_text)
"

    TEST "unknown product after a -ver argument still prints the banner first"
    run_raw XYZ -verbose
    expect_rc 10
    expect_file "$T/stdout" "$BANNER"
    expect_contains "$T/stderr" "ERROR: Invalid product name specified."

    TEST "BIN variable unset or empty"
    unset ZXCBIN
    run_raw ZXC a.c
    expect_rc 10
    expect_file "$T/stderr" "
ERROR: ZXCBIN environment variable not found
$(usage_text)
"
    export ZXCBIN=
    run_raw ZXC a.c
    expect_rc 10
    expect_file "$T/stderr" "
ERROR: ZXCBIN environment variable not found
$(usage_text)
"

    TEST "-version prints the banner once and does nothing else"
    err_new "$T/out/a.c.err"
    run_vantrel -version "$T/work/a.c"
    expect_rc 0
    expect_file "$T/stdout" "$BANNER"
    expect_empty "$T/stderr"
    expect_unchanged "$T/out/a.c.err" "0093000000000000"

    TEST "-verbose: banner, an option error, exit 0"
    run_vantrel -verbose a.c
    expect_rc 0
    expect_file "$T/stdout" "$BANNER"
    [ -s "$T/stderr" ] || test_failed "no option error"
    expect_not_contains "$T/stderr" "Usage: "

    TEST "-help with input files: the usage text, exit 0, nothing touched"
    err_new "$T/out/a.c.err"
    run_vantrel -help -po baseline::log=run.txt "$T/work/a.c"
    expect_rc 0
    expect_empty "$T/stdout"
    expect_file "$T/stderr" "$(usage_text)
"
    expect_unchanged "$T/out/a.c.err" "0093000000000000"
    expect_missing "$T/out/run.txt"

    TEST "no input file: the usage text, exit 1"
    run_vantrel -po baseline::log=-
    expect_rc 1
    expect_empty "$T/stdout"
    expect_file "$T/stderr" "$(usage_text)
"

    TEST "product given as a path with an extension"
    run_raw "/opt/tools/ZxC.exe"
    expect_rc 1
    expect_contains "$T/stderr" "Usage: "

    TEST "a fatal option error: its message, then the usage text, exit 10"
    run_vantrel -errorinvalidcfgarg -zzzq a.c
    expect_rc 10
    expect_file "$T/stderr" "
ERROR: Unknown argument: -zzzq

$(usage_text)
"
    expect_empty "$T/stdout"

    TEST "a message file that cannot be opened for appending ends the run with 18"
    if [ "$(id -u)" = 0 ]; then
        skip "root may write any file"
    else
        lines a 3 >"$T/cur/src/a.c"
        make_sup "$T/out/baseline.sup" </dev/null
        err_new "$T/out/a.c.err"
        err_diag "$T/out/a.c.err" "$T/cur/src/a.c" 1 1 1
        chmod a-w "$T/out/a.c.err"
        before=$(file_hex "$T/out/a.c.err")
        run_vantrel -sdt "true" "$T/cur/src/a.c"
        expect_rc 18
        expect_contains "$T/stderr" "Cannot write error file '$T/out/a.c.err'."
        expect_unchanged "$T/out/a.c.err" "$before"
        expect_missing "$T/out/patch.xml"
    fi
}
