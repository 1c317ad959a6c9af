// The radio's state and the records beside it, as the module is loaded.
#include "core/radio_state.h"

RadioState radio_state = RADIO_STATE_AT_LOAD;
char browse_folder[260] = BROWSE_FOLDER_AT_LOAD;
IDirectSoundBuffer* click_sound = nullptr;
