#pragma once

#include <cstdint>
#include <string>

/// A generated project for whole-run measurements and crash tests: source
/// files in a baselined and a current version with real-looking edits, the
/// analyser's message files naming them (many named by several sources), and
/// the SQL of a baseline that registers them with several suppressions each.
/// The same seed always gives the same bytes.
struct WorkloadSpec {
    int sources = 100; ///< N: source files, one message file each
    int named = 200;   ///< M: files the message files name in all (sources and headers)
    std::uint32_t seed = 14;
    /// When not 0: header 0 is baselined with this many suppressions more,
    /// all in force, and every source names it, so that every section is
    /// large (about 60 bytes a suppression).
    int bigHeader = 0;
};

// Writes the workload under dir: base/ and cur/ (the two versions), out/ (one
// "<source>.err" per source), baseline.sql, sources.txt (the current sources'
// absolute paths, one a line) and files.txt (every named file's path relative
// to cur/, one a line). Throws std::runtime_error when a file cannot be
// written; the message files come from the project's writer and need the
// current command line set.
void writeWorkload(const std::string& dir, const WorkloadSpec& spec);
