// The translation layer: the dialogs, the string table and Qt's own texts in
// the interface language.
//
// German is the source language: the templates and the code hold the German
// texts, and any other language needs a catalogue (a compiled Qt translation,
// ".qm") for it. The catalogue of language NNN of a module is looked for as
//   <program directory>/translations/<module>-NNN.qm
// first, so an installation or a translator can add or replace one without a
// new build, and then as the copy built into the program,
//   :/translations/<module>-NNN.qm
// A language without a catalogue shows the German texts. Language codes are
// telephone country codes (49 German, 44 English).
#pragma once

#include <string>
#include <string_view>
#include <vector>

class VelmorDialog;

// A dialog's control with this id is the translation assistance button
// ("TA"): shown only while the assistance is switched on.
inline constexpr int kIdTranslationAssistance = 11;

// The file name of the catalogue of `module` (any letter case; the name is
// written in lower case) for `language`: "quintrel-044.qm".
std::string TranslationCatalogueName(std::string_view module, int language);

// The list of every dialog text of `module` built into the program (the
// German sources of its catalogue, by context): ":/translations/quintrel.ts".
std::string TranslationTextListPath(std::string_view module);

// The context under which a catalogue holds the string table's texts, each
// with its id as the disambiguation.
inline constexpr char kStringTableContext[] = "StringTable";

struct TranslationState {
    int language = 49;
    // The catalogues loaded for the dialogs, each with where it came from
    // (a file's path, or a resource path starting with ":/").
    std::vector<std::string> catalogues;
    // The language the dialogs show, as an ISO code: "de" for German and for
    // a language without a catalogue, else the first catalogue's language.
    std::string dialogLanguage = "de";
    // Qt's own catalogue for its standard texts; empty when none is needed
    // (English) or none was found.
    std::string qtCatalogue;
};

// Makes `language` the interface language of everything built from now on:
// the string table, the catalogues of every module found for it (files in
// programDirectory/translations, then the built-in copies of modules that had
// no file) and Qt's own texts in the catalogues' language (German when there
// is no catalogue); for a language other than English and German also what
// the catalogues translate of the string table. Gives true when the language's texts are complete
// as far as the layer knows: German, or at least one catalogue found.
bool LTS_UseVelmorStandard(const std::string& programDirectory, int language);
const TranslationState& LTS_CurrentTranslation();

// The current translation of the German `source` text in `context`, as the
// loaded catalogues give it; empty when none of them holds one (German needs
// none: the caller keeps the source).
std::string LTS_LookUp(std::string_view context, std::string_view source,
                       std::string_view disambiguation = {});

// Puts every text of a dialog built from a template into the current
// language (the template's texts, then those the dialog sets itself) and
// shows the translation assistance button (kIdTranslationAssistance) only
// while the assistance is switched on for `module`. `flags` is reserved (0).
void LTS_TranslateDialog(VelmorDialog& dialog, std::string_view module, int flags);

// True when the translator switched the assistance on for `module`: the
// environment variable <MODULE>_TRANSLATE (QUINTREL_TRANSLATE) is "1".
bool LTS_AssistanceWanted(std::string_view module);
