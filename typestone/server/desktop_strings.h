#pragma once
// Ids of the desktop's strings in the server's table (server_strings.h): the tray icon and
// its menu, the about box, the shared-printer, share, password and printer settings dialogs.

namespace typestone {

inline constexpr unsigned kStrPortLine = 37; // "- Port: %u"
inline constexpr unsigned kStrMenuShowAtStart = 107;
inline constexpr unsigned kStrMenuHelp = 130;
inline constexpr unsigned kStrAskStop = 3000;
inline constexpr unsigned kStrNoAutoLoad = 3001;
inline constexpr unsigned kStrPasswordIncorrect = 3002;
inline constexpr unsigned kStrPasswordTooLong = 3003; // %1: the longest length
inline constexpr unsigned kStrMenuAbout = 61448;
inline constexpr unsigned kStrMenuStop = 61449;
inline constexpr unsigned kStrMenuDisable = 61451;
inline constexpr unsigned kStrMenuEnable = 61452;
inline constexpr unsigned kStrMenuAutoLoad = 61453;
inline constexpr unsigned kStrServerTitle = 61454;
inline constexpr unsigned kStrIsEnabled = 61455;
inline constexpr unsigned kStrIsDisabled = 61456;
inline constexpr unsigned kStrMenuConfiguration = 61468;

// The shared-printer dialog.
inline constexpr unsigned kStrPrintersTitle = 3100;
inline constexpr unsigned kStrUseDns = 3101;
inline constexpr unsigned kStrServicePort = 3102;
inline constexpr unsigned kStrAuxPort = 3103;
inline constexpr unsigned kStrPrintProgress = 3104;
inline constexpr unsigned kStrProgressDisabled = 3105;
inline constexpr unsigned kStrProgressMinimized = 3106;
inline constexpr unsigned kStrProgressNormal = 3107;

// The share dialog.
inline constexpr unsigned kStrShareTitle = 3110;
inline constexpr unsigned kStrSharePrinter = 3111;
inline constexpr unsigned kStrNotShared = 3112;
inline constexpr unsigned kStrSharedAs = 3113;
inline constexpr unsigned kStrShareName = 3114;
inline constexpr unsigned kStrSharePassword = 3115;
inline constexpr unsigned kStrProperties = 3116;
inline constexpr unsigned kStrPrintTest = 3117;
inline constexpr unsigned kStrShareGroup = 3118;

// The password confirmation.
inline constexpr unsigned kStrConfirmTitle = 3120;
inline constexpr unsigned kStrConfirmText = 3121;
inline constexpr unsigned kStrButtonOk = 3122;
inline constexpr unsigned kStrButtonCancel = 3123;

// The printer settings dialog.
inline constexpr unsigned kStrSettingsTitle = 3140;
inline constexpr unsigned kStrSettingsPaper = 3141;
inline constexpr unsigned kStrSettingsOrientation = 3142;
inline constexpr unsigned kStrPortrait = 3143;
inline constexpr unsigned kStrLandscape = 3144;
inline constexpr unsigned kStrReversePortrait = 3145;
inline constexpr unsigned kStrReverseLandscape = 3146;
inline constexpr unsigned kStrSettingsCopies = 3147;
inline constexpr unsigned kStrSettingsSides = 3148;
inline constexpr unsigned kStrOneSided = 3149;
inline constexpr unsigned kStrLongEdge = 3150;
inline constexpr unsigned kStrShortEdge = 3151;
inline constexpr unsigned kStrSettingsColour = 3152;
inline constexpr unsigned kStrColour = 3153;
inline constexpr unsigned kStrMonochrome = 3154;
inline constexpr unsigned kStrSettingsQuality = 3155;
inline constexpr unsigned kStrDraft = 3156;
inline constexpr unsigned kStrNormal = 3157;
inline constexpr unsigned kStrHigh = 3158;
inline constexpr unsigned kStrSettingsResolution = 3159;

// The about box.
inline constexpr unsigned kStrAboutNotice = 3130;
inline constexpr unsigned kStrReleaseNotes = 3131;

} // namespace typestone
