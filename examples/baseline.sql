-- The baseline of the example project, as the analyser's baseline tool
-- would have recorded it: the files it registered (names under the source
-- root written with $ROOTPATH) and the suppressions of the diagnostics
-- present then, at their lines in the baselined version under baseline/.
CREATE TABLE RF_FileReg (
    FR_Primary INTEGER PRIMARY KEY,
    FR_Ident   TEXT,
    FR_Name    TEXT
);
CREATE TABLE DT_Suppression (
    SP_FileReg INTEGER,
    SP_State   INTEGER,
    SP_Line    INTEGER,
    SP_Column  INTEGER,
    SP_Message INTEGER
);

INSERT INTO RF_FileReg VALUES (1, 'BASELINE_1_0', '$ROOTPATH/src/main.c');
INSERT INTO RF_FileReg VALUES (2, 'BASELINE_1_0', '$ROOTPATH/src/counter.c');
INSERT INTO RF_FileReg VALUES (3, 'BASELINE_1_0', '$ROOTPATH/src/counter.h');

-- main.c
INSERT INTO DT_Suppression VALUES (1, 0,  6, 13, 3207);  -- static char buffer[4096];   (moves up a line)
INSERT INTO DT_Suppression VALUES (1, 0, 11, 15, 2100);  -- FILE *f = fopen(...)         (line deleted)
INSERT INTO DT_Suppression VALUES (1, 0, 21,  5,  534);  -- counts_print(&c, name);     (moves up)
INSERT INTO DT_Suppression VALUES (1, 0, 34, 16, 1058);  -- failed |= count_file(...)  (moves down)
INSERT INTO DT_Suppression VALUES (1, 0, 35,  5, 1770);  -- if (argc > 2)               (moves down)
-- counter.c
INSERT INTO DT_Suppression VALUES (2, 0,  5, 12, 3207);  -- static int in_word;         (line deleted)
INSERT INTO DT_Suppression VALUES (2, 0, 19, 14, 1012);  -- char ch = text[i];          (moves down)
INSERT INTO DT_Suppression VALUES (2, 0, 34, 12,  557);  -- printf(...)                 (line changed)
INSERT INTO DT_Suppression VALUES (2, 0,  1,  1,  966);  -- #include "counter.h"        (before the first change)
-- counter.h
INSERT INTO DT_Suppression VALUES (3, 0,  9, 12, 1755);  -- size_t chars;               (moves down)
INSERT INTO DT_Suppression VALUES (3, 0, 14,  5, 1746);  -- int counts_print(...)      (moves down)
INSERT INTO DT_Suppression VALUES (3, 1, 12,  6, 1746);  -- withdrawn: not in force, never moved
