#include "counter.h"

#include <stdio.h>
#include <string.h>

static char buffer[4096];

static int count_file(const char *name, struct counts *total)
{
    struct counts c;
    FILE *f = fopen(name, "r");
    size_t n;
    if (f == NULL) {
        perror(name);
        return 1;
    }
    counts_reset(&c);
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        counts_feed(&c, buffer, n);
    fclose(f);
    counts_print(&c, name);
    total->lines += c.lines;
    total->words += c.words;
    total->chars += c.chars;
    return 0;
}

int main(int argc, char **argv)
{
    struct counts total;
    int i, failed = 0;
    counts_reset(&total);
    for (i = 1; i < argc; i++)
        failed |= count_file(argv[i], &total);
    if (argc > 2)
        counts_print(&total, "total");
    return failed;
}
