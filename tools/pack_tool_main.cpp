// hollowmere-pack: builds, lists, extracts and verifies resource packs.

#include "tools/pack_tool.h"

int main(int argc, char **argv) {
    return pack_tool_main(argc, argv);
}
