// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Replays: a recorded game is the state it started from, then every frame's time and the
// player's controls as the tick saw them, with a fingerprint of the whole state every second
// of game time to find the first moment where a playback drifts. The simulation is a pure
// function of these (core/game_math.h), so a replay plays back exactly, on every system.
// The file (.hmr) is little-endian and self-describing; a reader takes nothing on trust.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct game_record;
struct random_snapshot;

// Raised whenever a rule of play, the order of the random draws or the arithmetic changes, with
// the pinned fingerprints (tests/sim/golden.txt) renewed in the same commit: a replay of another
// simulation version would not play the game it recorded.
constexpr uint32_t SIMULATION_VERSION = 2;
constexpr uint16_t REPLAY_FORMAT = 1;

// What kind of frame was recorded.
enum : uint8_t {
    FRAME_PLAY = 0, // the game ran its ticks for the frame's time
    FRAME_MENU = 1, // the menu was open: the time passed and one random draw was taken
};

struct replay_frame {
    int32_t dt_ms;
    uint8_t kind;
    uint8_t actions; // ACT_* bits held during a play frame
};

// The menu changed a setting the tick reads: from frame `frame` on, these hold.
struct replay_setting {
    uint32_t frame;
    int32_t display_flags;
    float smoke_detail;
};

struct replay {
    uint16_t format = REPLAY_FORMAT;
    uint32_t simulation = SIMULATION_VERSION;
    std::string game_version;
    int64_t date = 0; // seconds since 1970 (UTC) when the game began
    std::string player;
    int32_t score = 0;
    uint32_t duration_ms = 0;
    uint32_t ticks = 0;
    bool complete = false;
    std::vector<uint8_t> field_state; // the generator's state from which the field was built
    std::vector<uint8_t> start_state; // save_game_state right after new_game
    std::vector<replay_frame> frames;
    std::vector<replay_setting> settings;
    std::vector<uint64_t> checkpoints; // the fingerprint after each whole second of game time
    uint64_t final_fingerprint = 0;
};

// --- the starting state ---
std::vector<uint8_t> save_game_state(game_record *game);
// Reads a state written by save_game_state into a record that new_game has set up (its tanks
// are taken over in place). On a fault: false, *error says what, the generator is as it was,
// and the record's lists are to be thrown away (the next new_game does).
bool load_game_state(game_record *game, const uint8_t *data, size_t size, std::string *error);

// The generator's state as 132 little-endian bytes (a replay's field seed), and back: false
// for bytes of another length.
std::vector<uint8_t> random_state_bytes(const random_snapshot &state);
bool read_random_state(const uint8_t *data, size_t size, random_snapshot *state);

// --- the file ---
// The checksum a replay file ends with: FNV-1a over all the bytes before it.
uint64_t replay_checksum(const uint8_t *data, size_t size);
std::vector<uint8_t> encode_replay(const replay &r);
// False with *error naming the fault for anything that is not a whole, undamaged replay of a
// format this program reads; a replay of another simulation version is read (the caller says
// so). Never allocates beyond what the bytes could hold.
bool decode_replay(const uint8_t *data, size_t size, replay *r, std::string *error);
// The replay in the file at `path`, or false with *error the line to print after the file's
// name ("cannot open: ...", "not a replay", "damaged: ...").
bool read_replay_file(const char *path, replay *r, std::string *error);

// --- recording the game being played ---
// A game begins (its new_game done, the playing state set): its recording starts afresh, and
// one still open ends unfinished.
void record_start(game_record *game);
// A frame of the recorded game, before it runs: its time, its kind and the controls held.
void record_frame(game_record *game, int dt, uint8_t kind, int actions);
// After a playing frame: a checkpoint for each second of game time completed, and the end of
// the recording when the game ended in it.
void record_after_frame(game_record *game);
// The game stops before its end (quit, window closed, a reset on the title): the recording is
// written, marked unfinished.
void record_stop(game_record *game);
// Writes the recording in progress as it stands, unfinished, and goes on recording.
void record_flush(game_record *game);
// The recording in progress, or the last one made; null before the first game.
const replay *current_recording();
// Where `last.hmr` goes; the recorder makes the folder. "" records without writing (tests).
void set_replay_folder(const std::string &folder);
const std::string &replay_folder_path();
// The game that ended last, when it ended complete and no other has begun; null otherwise.
replay *finished_recording();
// Writes last.hmr again (the finished game's record changed).
void rewrite_last_replay();
// Writes a replay in one step (a temporary file, then renamed over); a failure is reported on
// the error stream, once a run.
bool write_replay_file(const replay &r, const std::string &path);

// --- the high-score table's replays ---
// The finished game made entry (score, name) in the table: its replay is kept for the entry,
// under the player's name, and replays no entry stands for any more are removed.
void keep_replay_for_entry(game_record *game, int score, const char *name);
// The replay kept for entry `entry` of the table, or "" when it has none.
std::string entry_replay_path(const game_record *game, int entry);
void prune_table_replays(const game_record *game);

// --- playing a replay back ---
enum : int {
    PLAYBACK_VERIFIED = 0, // every fingerprint agreed
    PLAYBACK_DRIFTED = 1,  // a fingerprint disagreed at drift_second
    PLAYBACK_OTHER_SIMULATION = 2,
    PLAYBACK_DAMAGED = 3, // the starting state does not load
};

struct playback_result {
    int outcome = PLAYBACK_DAMAGED;
    std::string fault; // for a damaged replay
    uint32_t drift_second = 0;
    int score = 0;
    uint32_t ticks = 0;
    uint64_t fingerprint = 0;
};

// A record as a replay starts: the field built from the replay's seed, a new game and then the
// replay's starting state. Null (with *error) when the state does not load. A `lender` (the
// game on screen) lends the record what drawing needs: its pack, font, tank types and the
// player's view settings; free_playback gives the tank types back.
game_record *start_playback(const replay &r, std::string *error, const game_record *lender = nullptr);
// Runs frame `index` of the replay on the record, as the live frame ran it.
void play_replay_frame(game_record *game, const replay &r, size_t index);

// A replay being played, frame by frame, with its fingerprints checked as it goes.
struct playback_cursor {
    const replay *r = nullptr;
    game_record *game = nullptr;
    size_t frame = 0;       // the next frame to run
    uint64_t played_ms = 0; // the recorded time of the frames run
    size_t checkpoint = 0;  // the next fingerprint to check
    double next_second = 1; // the game time at which it falls due
    long first_tick = 0;
    int outcome = PLAYBACK_VERIFIED;
    uint32_t drift_second = 0;
};
// Sets the cursor at the replay's first frame (start_playback); false with *error when it
// does not load.
bool begin_playback(playback_cursor *c, const replay &r, std::string *error,
                    const game_record *lender = nullptr);
// Runs the next frame and checks the fingerprints it completed. False when there was none left
// or a fingerprint disagreed (outcome PLAYBACK_DRIFTED): the playback ends.
bool step_playback(playback_cursor *c);
// After the last frame: the final fingerprint and the count of checkpoints must agree too.
void finish_playback_check(playback_cursor *c);
bool playback_over(const playback_cursor &c);
// The whole replay headless, checking every checkpoint and the final fingerprint.
playback_result verify_replay(const replay &r);
void free_playback(game_record *game);

// --- watching a replay in the game ---
enum : int { WATCH_CHOSEN = 0, WATCH_ATTRACT = 1 };
// Starts showing a replay instead of the title, from its file; false (with the reason on the
// error stream, as "PATH: not a replay: ...") when it cannot be shown, and the title stays.
bool watch_replay_file(const std::string &path, int how);
// The same, returning "" on success or the one-line reason (the browser's page shows it).
std::string watch_replay_path(const std::string &path, int how);
bool replay_watching();
// One frame of the replay on screen, in place of the title's: reads the playback keys, runs the
// recorded frames that fall due at the chosen speed and leaves for the title at the end.
void watch_frame(int dt);
void draw_watch_screen(game_record *live);
// The pad's presses while a replay is shown, as the keys they stand for.
void watch_pad_presses(int pressed);

// The title's view of the table's recorded games: which entries have one, which is chosen.
struct title_table_view {
    int choice = -1;        // the entry chosen with up and down, or -1
    unsigned marks = 0;     // bit i: entry i has a replay
    float chosen_for = 0;   // seconds the chosen entry stays shown
    float idle_seconds = 0; // on the title without a key or the pad
};
extern title_table_view title_table;
// The title's part in the table's replays: up and down choose, return plays the chosen one, and
// after 30 s without input a recorded game plays by itself.
void title_replays_frame(game_record *game, int dt);
// The replay of every entry of the table ("" for none), from one look at the folder.
std::vector<std::string> table_replay_paths(const game_record *game);
