/* Time marks of the start-up breakdown (scripts/bench). They are compiled into the bench's marked
 * builds only (ZELV_STARTUP_MARKS: ZelvCloudSetupMarked.exe and the marked same-look reference);
 * everywhere else, the shipped exe and the test builds, a mark is nothing at all and its
 * arguments are not evaluated.
 *
 * A mark names the step that ends at it: the work its thread did since its previous mark (the
 * first mark of the main thread counts from the launch). The time is QueryPerformanceCounter's,
 * the clock StartupProbe takes the launch and the window's readiness with. At the process's end
 * the marks go into the file named by the environment variable ZELV_STARTUP_MARKS, one a line:
 * "<ticks> <thread id> <working set in bytes> <name>". The working set is read at the mark only
 * when ZELV_STARTUP_MARKS_MEMORY is set (0 otherwise): under Wine each reading takes long enough to
 * lengthen the steps that hold many marks. */
#pragma once

#ifdef ZELV_STARTUP_MARKS
#ifdef __cplusplus
extern "C" {
#endif
/* The step's name is AName followed by ADetail (may be null); only the first mark of a name counts,
 * so a mark in a path taken many times names the first time. Any thread, before the C runtime too. */
void ZelvStartupMark(const char* AName, const char* ADetail);
#ifdef __cplusplus
}
#endif
#define ZELV_MARK(name) ZelvStartupMark((name), 0)
#define ZELV_MARK_OF(name, detail) ZelvStartupMark((name), (detail))
#else
#define ZELV_MARK(name) ((void)0)
#define ZELV_MARK_OF(name, detail) ((void)0)
#endif
