// taskrun: runs the task that "Apply" writes, with a study file for what it leaves open.
#include "taskrun/study_run.h"

int main(int argc, char** argv) { return taskrun::taskrunMain(argc, argv); }
