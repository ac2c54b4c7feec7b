// Per-aircraft settings: section "Orvale" of the aircraft's panel
// configuration file, read whenever the host loads a panel from a new folder
// and written back by SaveSettings.
#include "settings/settings_file.h"
#include "core/bytes_and_text.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "display/display_window.h"
#include "display/window_layout.h"
#include "resources/resource.h"
#include "settings/settings_format.h"

static const char SettingsSection[] = "Orvale";
static_assert(FaceNameChars == LF_FACESIZE, "face names are copied whole");

static void ReadSetting(const char* key, char* value, DWORD size)
{
    // A missing file or key reads as an empty value; nothing else is looked at.
    // A panel path too long to name its settings file whole has none.
    value[0] = '\0';
    if (state.config_path[0] == '\0')
        return;
    GetPrivateProfileStringA(SettingsSection, key, "", value, size, state.config_path);
}

// The two colour settings of a "Window" entry, into each window's own context
// (docked first) and the shared brush.
static void TakeColours(const WindowEntry& entry)
{
    state.text_colour = entry.text_colour;
    state.back_colour = entry.back_colour;
    if (state.docked_window)
        ApplyColours(state.docked_window);
    if (state.undocked_window)
        ApplyColours(state.undocked_window);
    // Without a window (stopped, or not yet started) the brush is made with
    // the window that comes: a stopped module holds no object.
    if (state.docked_window || state.undocked_window)
        RemakeBackBrush();
}

// An entry read in part (a face name written by hand) is shown as well as it
// can be: the fields it lacks are zero, the defaults of a font.
static void TakeFont(const FontFields& fields)
{
    const LOGFONTA kept = state.display_logfont;
    state.display_logfont = LOGFONTA{};
    CopyBytes(state.display_logfont.lfFaceName, fields.face_name, FaceNameChars);
    state.display_logfont.lfFaceName[LF_FACESIZE - 1] = '\0';
    state.display_logfont.lfHeight = fields.height;
    state.display_logfont.lfWidth = fields.width;
    state.display_logfont.lfWeight = fields.weight;
    state.display_logfont.lfItalic = fields.italic;
    state.display_logfont.lfUnderline = fields.underline;
    state.display_logfont.lfStrikeOut = fields.strike_out;
    if (state.stopped) {
        // Made when the display comes up again.
        state.remake_font = 1;
        return;
    }
    HFONT font = CreateFontIndirectA(&state.display_logfont);
    if (font) {
        // Selected into both windows' contexts before the old one goes.
        ReplaceDisplayFont(font);
    } else {
        // A font that cannot be made changes nothing: the font in use stays,
        // still owned and later deleted, and its description with it.
        state.display_logfont = kept;
    }
}

// Reads the section of the folder just seen; returns 1 when it held a usable
// "Window" entry.
static int32_t ReadSettingsSection()
{
    int32_t loaded = 0;
    char value[WindowValueChars];
    ReadSetting("Window", value, sizeof value);
    WindowEntry entry;
    if (ParseWindowEntry(value, &entry)) {
        // Kept as the file has it, for the saves; the display itself gets
        // the place in the range every Windows can give a window.
        state.stored_place = {entry.x, entry.y, entry.width, entry.height};
        const WindowPlace usable = InWindowRange(state.stored_place);
        state.docked_x = usable.x;
        state.docked_y = usable.y;
        state.window_width = usable.width;
        state.window_height = usable.height;
        loaded = 1;
        if (entry.has_colours)
            TakeColours(entry);
    }

    char setting[SettingValueChars];
    // Each switch is what this file says, or its default: nothing carries
    // over from the previous aircraft.
    ReadSetting("Hidewindow", setting, sizeof setting);
    state.hide_always = state.chosen_hide_always = ReadYesSwitch(setting);
    ReadSetting("AutoHide", setting, sizeof setting);
    state.auto_hide = state.chosen_auto_hide = ReadYesSwitch(setting);
    ReadSetting("AlsoATIS", setting, sizeof setting);
    state.also_atis = ReadNoSwitch(setting);

    ReadSetting("Font", setting, sizeof setting);
    FontFields fields;
    if (ParseFontEntry(setting, &fields) != FontEntry::Empty)
        TakeFont(fields);
    return loaded;
}

int32_t LoadPanelSettings(const char* path)
{
    state.panel_path_length = PanelPathLength(path);
    state.font_chosen = 0;
    // A path too long to be kept whole leaves config_path empty: nothing is
    // read from or written to any file for this aircraft.
    BuildConfigPath(path, state.config_path);
    int32_t loaded = ReadSettingsSection();

    if (!loaded) {
        ResetToDefaultPlace();
        // An aircraft without a place for the display gets it switched off,
        // whatever its hide switches said, and has no hiding choices.
        state.chosen_hide_always = 0;
        state.chosen_auto_hide = 0;
        if (state.undocked_window)
            SendMessageA(state.undocked_window, WM_COMMAND, IDM_CLOSE, 0);
    }
    return loaded;
}

void ForgetAircraft()
{
    state.config_path[0] = '\0';
    state.panel_path_length = 0;
    state.font_chosen = 0;
    state.docked = 0;
    state.hide_always = state.chosen_hide_always = 0;
    state.auto_hide = state.chosen_auto_hide = 0;
}

// The ANSI code page's own rule, the one Windows compares names by: in a
// double-byte code page (Japanese, Chinese, Korean) the byte after a lead byte
// can have an ASCII letter's code and is no letter.
static bool AnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

bool IsNewPanelFolder(const char* path)
{
    return IsPanelPath(path, AnsiLeadByte) &&
           !IsSamePanelFolder(path, state.config_path, state.panel_path_length, AnsiLeadByte);
}

// The aircraft's "Font" entry stays as its file holds it until the pilot
// chooses a font for it: neither an entry read in part nor a font that the
// aircraft before left in force is written over it.
static void SaveChosenFont(const char* file)
{
    if (!state.display_font) {
        WritePrivateProfileStringA(SettingsSection, "Font", nullptr, file);
        return;
    }
    FontFields fields;
    CopyBytes(fields.face_name, state.display_logfont.lfFaceName, FaceNameChars);
    fields.face_name[FaceNameChars - 1] = '\0';
    fields.height = state.display_logfont.lfHeight;
    fields.width = state.display_logfont.lfWidth;
    fields.weight = state.display_logfont.lfWeight;
    fields.italic = state.display_logfont.lfItalic;
    fields.underline = state.display_logfont.lfUnderline;
    fields.strike_out = state.display_logfont.lfStrikeOut;
    char value[SavedValueChars];
    FormatFontValue(value, sizeof value, fields);
    WritePrivateProfileStringA(SettingsSection, "Font", value, file);
}

void SaveSettings()
{
    if (state.config_path[0] == '\0')
        return;
    const char* file = state.config_path;
    char value[SavedValueChars];

    // The place kept for the aircraft, not where the display happens to
    // stand now.
    const WindowPlace& place = state.stored_place;
    FormatWindowValue(value, sizeof value, place.x, place.y, place.width, place.height, state.text_colour,
                      state.back_colour);
    WritePrivateProfileStringA(SettingsSection, "Window", value, file);

    if (state.font_chosen)
        SaveChosenFont(file);

    WritePrivateProfileStringA(SettingsSection, "HideWindow", YesNoText(state.chosen_hide_always), file);
    WritePrivateProfileStringA(SettingsSection, "AutoHide", YesNoText(state.chosen_auto_hide), file);
    WritePrivateProfileStringA(SettingsSection, "AlsoATIS", YesNoText(state.also_atis), file);
}

void SaveIfDocked()
{
    if (state.docked && state.config_path[0] != '\0')
        SaveSettings();
}

void ToggleAlsoAtis(HWND window)
{
    state.also_atis = state.also_atis ? 0 : 1;
    CheckCommand(window, IDM_ALSOATIS, state.also_atis);
    SaveIfDocked();
}
