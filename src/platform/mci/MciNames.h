#pragma once

/// Every word the MCI command interpreter reads or answers with, and the MCI
/// error numbers. The parser, the devices and the tests all use these.

/// MCI error numbers (MCIERR_BASE is 256); 0 is success.
namespace MciErr {
inline constexpr int None = 0;
inline constexpr int Base = 256;
inline constexpr int InvalidDeviceId = 257;
inline constexpr int UnrecognizedKeyword = 259;
inline constexpr int UnrecognizedCommand = 261;
inline constexpr int Hardware = 262;
inline constexpr int InvalidDeviceName = 263;
inline constexpr int OutOfMemory = 264;
inline constexpr int DeviceOpen = 265;
inline constexpr int CannotLoadDriver = 266;
inline constexpr int MissingCommandString = 267;
inline constexpr int ParamOverflow = 268;
inline constexpr int MissingStringArgument = 269;
inline constexpr int BadInteger = 270;
inline constexpr int ParserInternal = 271;
inline constexpr int DriverInternal = 272;
inline constexpr int MissingParameter = 273;
inline constexpr int UnsupportedFunction = 274;
inline constexpr int FileNotFound = 275;
inline constexpr int DeviceNotReady = 276;
inline constexpr int Internal = 277;
inline constexpr int Driver = 278;
inline constexpr int CannotUseAll = 279;
inline constexpr int Multiple = 280;
inline constexpr int ExtensionNotFound = 281;
inline constexpr int OutOfRange = 282;
inline constexpr int FlagsNotCompatible = 284;
inline constexpr int FileNotSaved = 286;
inline constexpr int DeviceTypeRequired = 287;
inline constexpr int DeviceLocked = 288;
inline constexpr int DuplicateAlias = 289;
inline constexpr int BadConstant = 290;
inline constexpr int MustUseShareable = 291;
inline constexpr int MissingDeviceName = 292;
inline constexpr int BadTimeFormat = 293;
inline constexpr int NoClosingQuote = 294;
inline constexpr int DuplicateFlags = 295;
inline constexpr int InvalidFile = 296;
inline constexpr int NullParameterBlock = 297;
inline constexpr int UnnamedResource = 298;
inline constexpr int NewRequiresAlias = 299;
inline constexpr int NotifyOnAutoOpen = 300;
inline constexpr int NoElementAllowed = 301;
inline constexpr int NonapplicableFunction = 302;
inline constexpr int IllegalForAutoOpen = 303;
inline constexpr int FilenameRequired = 304;
inline constexpr int ExtraCharacters = 305;
inline constexpr int DeviceNotInstalled = 306;
inline constexpr int GetCd = 307;
inline constexpr int SetCd = 308;
inline constexpr int SetDrive = 309;
inline constexpr int DeviceLength = 310;
inline constexpr int DeviceOrdLength = 311;
inline constexpr int NoInteger = 312;
inline constexpr int NoWindow = 346;
inline constexpr int CreateWindow = 347;
inline constexpr int FileRead = 348;
inline constexpr int FileWrite = 349;
/// One past the last number of the MCI range; device drivers start here.
inline constexpr int CustomDriverBase = 512;
} // namespace MciErr

/// Command verbs.
namespace MciVerb {
inline constexpr const char Open[] = "open";
inline constexpr const char Close[] = "close";
inline constexpr const char Play[] = "play";
inline constexpr const char Pause[] = "pause";
inline constexpr const char Resume[] = "resume";
inline constexpr const char Stop[] = "stop";
inline constexpr const char Seek[] = "seek";
inline constexpr const char Set[] = "set";
inline constexpr const char Status[] = "status";
inline constexpr const char Window[] = "window";
inline constexpr const char Put[] = "put";
} // namespace MciVerb

/// Keywords after the device name. Several are more than one word; the
/// parser matches them word by word with any blanks between.
namespace MciKey {
// Flags every command takes.
inline constexpr const char Notify[] = "notify";
inline constexpr const char Wait[] = "wait";
// open
inline constexpr const char Alias[] = "alias";
inline constexpr const char Type[] = "type";
inline constexpr const char Shareable[] = "shareable";
// play, seek
inline constexpr const char From[] = "from";
inline constexpr const char To[] = "to";
inline constexpr const char ToStart[] = "to start";
inline constexpr const char ToEnd[] = "to end";
inline constexpr const char Speed[] = "speed";
// set
inline constexpr const char TimeFormat[] = "time format";
inline constexpr const char DoorOpen[] = "door open";
inline constexpr const char DoorClosed[] = "door closed";
// status items
inline constexpr const char Mode[] = "mode";
inline constexpr const char Length[] = "length";
inline constexpr const char Position[] = "position";
inline constexpr const char PositionTrack[] = "position track";
inline constexpr const char PlaySpeed[] = "play speed";
inline constexpr const char MediaPresent[] = "media present";
inline constexpr const char NumberOfTracks[] = "number of tracks";
inline constexpr const char CurrentTrack[] = "current track";
inline constexpr const char Ready[] = "ready";
// window, put
inline constexpr const char Handle[] = "handle";
inline constexpr const char Destination[] = "destination";
inline constexpr const char At[] = "at";
} // namespace MciKey

/// Constant values that follow a keyword.
namespace MciValue {
inline constexpr const char Milliseconds[] = "milliseconds";
inline constexpr const char Ms[] = "ms";
inline constexpr const char Frames[] = "frames";
inline constexpr const char Start[] = "start";
inline constexpr const char End[] = "end";
inline constexpr const char Default[] = "default";
/// The device name that addresses every open device ("close all").
inline constexpr const char All[] = "all";
// Other MCI time formats: recognised, but none of our devices keeps time in them.
inline constexpr const char OtherTimeFormats[][8] = {"bytes", "samples", "smpte", "hms",
                                                     "msf",   "tmsf",    "song"};
} // namespace MciValue

/// Reply texts.
namespace MciReply {
inline constexpr const char NotReady[] = "not ready";
inline constexpr const char Stopped[] = "stopped";
inline constexpr const char Playing[] = "playing";
inline constexpr const char Paused[] = "paused";
inline constexpr const char Seeking[] = "seeking";
inline constexpr const char Open[] = "open";
inline constexpr const char True[] = "true";
inline constexpr const char False[] = "false";
inline constexpr const char Milliseconds[] = "milliseconds";
inline constexpr const char Frames[] = "frames";
} // namespace MciReply

/// Device types, chosen from a file's extension or given with "type".
namespace MciDeviceType {
inline constexpr const char AviVideo[] = "avivideo";
inline constexpr const char WaveAudio[] = "waveaudio";
inline constexpr const char Sequencer[] = "sequencer";
inline constexpr const char MpegVideo[] = "mpegvideo";
} // namespace MciDeviceType
