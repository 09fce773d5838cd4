/* SPDX-FileCopyrightText: 2026 The Hollowmere developers */
/* SPDX-License-Identifier: GPL-3.0-or-later */

/* Times a program from exec to the first lit picture on the screen, polled from outside as a
 * player would see it: the root window is grabbed every few milliseconds and compared with
 * the grab taken before the exec. The picture counts as lit when at least 2% of the screen
 * differs from before and is brighter than a dark grey, in more than 16 distinct colours (so a
 * window that is only cleared, to any colour, does not count). Prints the milliseconds, then
 * ends the program.  Usage: lit_probe COMMAND [ARGS...]   (DISPLAY names the server) */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

/* Every 2nd pixel of every 2nd row is sampled. */
enum { STEP = 2 };

static int lit(XImage *before, XImage *image, int width, int height) {
    static unsigned char seen[4096];
    memset(seen, 0, sizeof seen);
    long changed = 0, samples = 0;
    int colours = 0;
    for (int y = 0; y < height; y += STEP) {
        for (int x = 0; x < width; x += STEP) {
            ++samples;
            unsigned long p = XGetPixel(image, x, y);
            if (p == XGetPixel(before, x, y)) continue;
            unsigned r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
            if (r + g + b < 3 * 24) continue;
            ++changed;
            unsigned key = (r >> 4) << 8 | (g >> 4) << 4 | (b >> 4);
            if (!seen[key]) {
                seen[key] = 1;
                ++colours;
            }
        }
    }
    return changed * 50 >= samples && colours > 16;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: lit_probe COMMAND [ARGS...]\n");
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "lit_probe: cannot open display\n");
        return 1;
    }
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    int width = attributes.width, height = attributes.height;
    XImage *before = XGetImage(display, root, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!before) {
        fprintf(stderr, "lit_probe: cannot grab the screen\n");
        return 1;
    }

    double start = now_ms();
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        perror(argv[1]);
        _exit(127);
    }
    int status = 1;
    double found = -1;
    while (now_ms() - start < 20000) {
        XImage *image = XGetImage(display, root, 0, 0, width, height, AllPlanes, ZPixmap);
        double at = now_ms();
        int done = image && lit(before, image, width, height);
        if (image) XDestroyImage(image);
        if (done) {
            found = at - start;
            break;
        }
        if (waitpid(child, NULL, WNOHANG) == child) {
            child = 0;
            break;
        }
        usleep(2000);
    }
    if (child > 0) {
        kill(child, SIGTERM);
        usleep(200000);
        kill(child, SIGKILL);
        waitpid(child, NULL, 0);
    }
    if (found >= 0) {
        printf("%.1f\n", found);
        status = 0;
    } else {
        fprintf(stderr, "lit_probe: %s showed no lit picture\n", argv[1]);
    }
    XDestroyImage(before);
    XCloseDisplay(display);
    return status;
}
