// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser SDL's calls that web/sdl_web.cpp stands in for, under names of their own, and the
// little the stand-ins need from the page.
mergeInto(LibraryManager.library, {
  hollowmere_sdl_poll_event__deps: ['SDL_PollEvent'],
  hollowmere_sdl_poll_event: function(event) {
    return _SDL_PollEvent(event);
  },

  // The material's emitted light, which the emulation's lighting adds but its glMaterialfv
  // refuses to set.
  hollowmere_material_emission__deps: ['$GLEmulation'],
  hollowmere_material_emission: function(rgba) {
    for (var i = 0; i < 4; i++) GLEmulation.materialEmission[i] = HEAPF32[(rgba >> 2) + i];
  },

  // The browser lists empty pad slots as null; only a pad is counted.
  hollowmere_connected_pads: function() {
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    var count = 0;
    for (var i = 0; i < pads.length; i++) {
      if (pads[i]) count++;
    }
    return count;
  },

  // The browser's slot of the index-th connected pad, or -1.
  hollowmere_pad_slot: function(index) {
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    for (var i = 0; i < pads.length; i++) {
      if (pads[i] && index-- == 0) return i;
    }
    return -1;
  },

  // Whether the pad in a slot has the browser's standard button layout.
  hollowmere_pad_is_standard: function(slot) {
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    return pads[slot] && pads[slot].mapping === 'standard' ? 1 : 0;
  },

  hollowmere_sdl_joystick_open__deps: ['SDL_JoystickOpen'],
  hollowmere_sdl_joystick_open: function(slot) {
    return _SDL_JoystickOpen(slot);
  },

  hollowmere_sdl_open_audio__deps: ['SDL_OpenAudio'],
  hollowmere_sdl_open_audio: function(desired, obtained) {
    return _SDL_OpenAudio(desired, obtained);
  },

  hollowmere_sdl_init_subsystem__deps: ['$SDL'],
  hollowmere_sdl_init_subsystem: function(flags) {
    SDL.initFlags |= flags;
  },

  // The browser SDL keeps no error text of its own; SDL_GetError reads this one.
  hollowmere_sdl_set_error__deps: ['$SDL', 'free', 'malloc'],
  hollowmere_sdl_set_error: function(message) {
    if (SDL.errorMessage) _free(SDL.errorMessage);
    SDL.errorMessage = allocateUTF8(UTF8ToString(message));
    return 0;
  },
});
