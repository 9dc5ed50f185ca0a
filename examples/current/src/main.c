#include "counter.h"

#include <stdio.h>

static char buffer[4096];

static int count_stream(FILE *f, const char *name, struct counts *total)
{
    struct counts c;
    size_t n;
    counts_reset(&c);
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        counts_feed(&c, buffer, n);
    counts_print(&c, name);
    total->lines += c.lines;
    total->words += c.words;
    total->chars += c.chars;
    return 0;
}

static int count_file(const char *name, struct counts *total)
{
    FILE *f = fopen(name, "r");
    int result;
    if (f == NULL) {
        perror(name);
        return 1;
    }
    result = count_stream(f, name, total);
    fclose(f);
    return result;
}

int main(int argc, char **argv)
{
    struct counts total;
    int i, failed = 0;
    counts_reset(&total);
    if (argc < 2)
        return count_stream(stdin, "-", &total);
    for (i = 1; i < argc; i++)
        failed |= count_file(argv[i], &total);
    if (argc > 2)
        counts_print(&total, "total");
    return failed;
}
