// Process entry: bring the game up, then run the frame loop until save_and_exit ends it.

#include "audio/audio.h"
#include "core/core.h"
#include "render/render.h"

#include <SDL/SDL.h>
#include <cstdlib>

int main(int, char **) {
    atexit(SDL_Quit);
    atexit(SDL_CloseAudio);
    atexit(unplanned_exit);
    ui_init();
    start_audio();
    gl_setup(game);
    register_game_tank_types(game);
    game->field = nullptr;
    new_game(game);
    zero_bytes(game->player_name, NAME_LENGTH);
    game->name_cursor = 0;
    show_first_frame();
    for (;;) {
        poll_events();
        run_frame();
    }
}
