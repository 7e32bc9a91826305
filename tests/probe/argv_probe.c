/* Stands in for a hook program: appends its argument vector, joined by
 * "|", and the number of arguments to the file named by ARO_PROBE_OUTPUT. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    const char* path = getenv("ARO_PROBE_OUTPUT");
    FILE* out = path ? fopen(path, "a") : NULL;
    if (!out) return 1;
    for (int i = 0; i < argc; ++i) fprintf(out, "%s|", argv[i]);
    fprintf(out, "%d\n", argc - 1);
    fclose(out);
    return 0;
}
