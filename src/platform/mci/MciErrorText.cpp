#include "platform/mci/Mci.h"
#include "platform/mci/MciNames.h"

#include <algorithm>
#include <cstring>

namespace {

struct ErrorText {
    int number;
    const char *text;
};

// The standard English descriptions; callers show them to users and some
// compare them, so they are kept word for word.
constexpr ErrorText kTexts[] = {
    {MciErr::None, "The specified command was carried out."},
    {MciErr::InvalidDeviceId, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
    {MciErr::UnrecognizedKeyword, "The driver cannot recognize the specified command parameter."},
    {MciErr::UnrecognizedCommand, "The driver cannot recognize the specified command."},
    {MciErr::Hardware,
     "There is a problem with your media device. Make sure it is working correctly or contact the "
     "device manufacturer."},
    {MciErr::InvalidDeviceName, "The specified device is not open or is not recognized by MCI."},
    {MciErr::OutOfMemory,
     "Not enough memory available for this task. Quit one or more applications to increase "
     "available memory, and then try again."},
    {MciErr::DeviceOpen,
     "The device name is already being used as an alias by this application. Use a unique alias."},
    {MciErr::CannotLoadDriver, "There is an undetectable problem in loading the specified device driver."},
    {MciErr::MissingCommandString, "No command was specified."},
    {MciErr::ParamOverflow,
     "The output string was too large to fit in the return buffer. Increase the size of the buffer."},
    {MciErr::MissingStringArgument,
     "The specified command requires a character-string parameter. Please provide one."},
    {MciErr::BadInteger, "The specified integer is invalid for this command."},
    {MciErr::ParserInternal,
     "The device driver returned an invalid return type. Check with the device manufacturer "
     "about obtaining a new driver."},
    {MciErr::DriverInternal,
     "There is a problem with the device driver. Check with the device manufacturer about "
     "obtaining a new driver."},
    {MciErr::MissingParameter, "The specified command requires a parameter. Please supply one."},
    {MciErr::UnsupportedFunction, "The MCI device you are using does not support the specified command."},
    {MciErr::FileNotFound, "Cannot find the specified file. Make sure the path and filename are correct."},
    {MciErr::DeviceNotReady, "The device driver is not ready."},
    {MciErr::Internal, "A problem occurred in initializing MCI. Try restarting Windows."},
    {MciErr::Driver,
     "There is a problem with the device driver. The driver has closed. Cannot access error."},
    {MciErr::CannotUseAll, "Cannot use 'all' as the device name with the specified command."},
    {MciErr::Multiple,
     "Errors occurred in more than one device. Specify each command and device separately to "
     "determine which devices caused the error"},
    {MciErr::ExtensionNotFound, "Cannot determine the device type from the given filename extension."},
    {MciErr::OutOfRange, "The specified parameter is out of range for the specified command."},
    {MciErr::FlagsNotCompatible, "The specified parameters cannot be used together."},
    {MciErr::FileNotSaved,
     "Cannot save the specified file. Make sure you have enough disk space or are still "
     "connected to the network."},
    {MciErr::DeviceTypeRequired,
     "Cannot find the specified device. Make sure it is installed or that the device "
     "name is spelled correctly."},
    {MciErr::DeviceLocked,
     "The specified device is now being closed. Wait a few seconds, and then try again."},
    {MciErr::DuplicateAlias,
     "The specified alias is already being used in this application. Use a unique alias."},
    {MciErr::BadConstant, "The specified parameter is invalid for this command."},
    {MciErr::MustUseShareable,
     "The device driver is already in use. To share it, use the 'shareable' parameter "
     "with each 'open' command."},
    {MciErr::MissingDeviceName,
     "The specified command requires an alias, file, driver, or device name. Please supply one."},
    {MciErr::BadTimeFormat,
     "The specified value for the time format is invalid. Refer to the MCI documentation for "
     "valid formats."},
    {MciErr::NoClosingQuote,
     "A closing double-quotation mark is missing from the parameter value. Please supply one."},
    {MciErr::DuplicateFlags, "A parameter or value was specified twice. Only specify it once."},
    {MciErr::InvalidFile, "The specified file cannot be played on the specified MCI device. The file may be "
                          "corrupt, or not in the correct format."},
    {MciErr::NullParameterBlock, "A null parameter block was passed to MCI."},
    {MciErr::UnnamedResource, "Cannot save an unnamed file. Supply a filename."},
    {MciErr::NewRequiresAlias, "You must specify an alias when using the 'new' parameter."},
    {MciErr::NotifyOnAutoOpen, "Cannot use the 'notify' flag with auto-opened devices."},
    {MciErr::NoElementAllowed, "Cannot use a filename with the specified device."},
    {MciErr::NonapplicableFunction, "Cannot carry out the commands in the order specified. Correct the "
                                    "command sequence, and then try again."},
    {MciErr::IllegalForAutoOpen,
     "Cannot carry out the specified command on an auto-opened device. Wait until the "
     "device is closed, and then try again."},
    {MciErr::FilenameRequired,
     "The filename is invalid. Make sure the filename is not longer than 8 characters, "
     "followed by a period and an extension."},
    {MciErr::ExtraCharacters, "Cannot specify extra characters after a string enclosed in quotation marks."},
    {MciErr::DeviceNotInstalled,
     "The specified device is not installed on the system. Use the Drivers option in "
     "Control Panel to install the device."},
    {MciErr::GetCd,
     "Cannot access the specified file or MCI device. Try changing directories or restarting your "
     "computer."},
    {MciErr::SetCd,
     "Cannot access the specified file or MCI device because the application cannot change directories."},
    {MciErr::SetDrive,
     "Cannot access specified file or MCI device because the application cannot change drives."},
    {MciErr::DeviceLength, "Specify a device or driver name that is less than 79 characters."},
    {MciErr::DeviceOrdLength, "Specify a device or driver name that is less than 69 characters."},
    {MciErr::NoInteger, "The specified command requires an integer parameter. Please provide one."},
    {320, "All wave devices that can play files in the current format are in use. Wait until a wave device "
          "is free, "
          "and then try again."},
    {321,
     "Cannot set the current wave device for play back because it is in use. Wait until the device is free, "
     "and then try again."},
    {322,
     "All wave devices that can record files in the current format are in use. Wait until a wave device is "
     "free, and then try again."},
    {323,
     "Cannot set the current wave device for recording because it is in use. Wait until the device is free, "
     "and then try again."},
    {324, "Any compatible waveform playback device may be used."},
    {325, "Any compatible waveform recording device may be used."},
    {326, "No wave device that can play files in the current format is installed. Use the Drivers option to "
          "install the wave device."},
    {327, "The device you are trying to play to cannot recognize the current file format."},
    {328,
     "No wave device that can record files in the current format is installed. Use the Drivers option to "
     "install the wave device."},
    {329, "The device you are trying to record from cannot recognize the current file format."},
    {336, "The time formats of the \"song pointer\" and SMPTE are mutually exclusive. You can't use them "
          "together."},
    {337, "The specified MIDI port is already in use. Wait until it is free; the try again."},
    {338, "The specified MIDI device is not installed on the system. Use the Drivers option from the Control "
          "Panel "
          "to install a MIDI device."},
    {339, "The current MIDI Mapper setup refers to a MIDI device that is not installed on the system. Use "
          "the MIDI "
          "Mapper option from the Control Panel to edit the setup."},
    {340, "An error occurred with the specified port."},
    {341,
     "All multimedia timers are being used by other applications. Quit one of these applications; then, try "
     "again."},
    {342, "The system does not have a current MIDI port specified."},
    {343, "The system has no installed MIDI devices. Use the Drivers option from the Control Panel to "
          "install a MIDI "
          "driver."},
    {MciErr::NoWindow, "There is no display window."},
    {MciErr::CreateWindow, "Could not create or use window."},
    {MciErr::FileRead,
     "Cannot read the specified file. Make sure the file is still present, or check your disk or "
     "network connection."},
    {MciErr::FileWrite,
     "Cannot write to the specified file. Make sure you have enough disk space or are still "
     "connected to the network."},
};

} // namespace

bool mciGetErrorString(int error, char *buffer, unsigned length)
{
    if (!buffer || length == 0)
        return false;
    buffer[0] = '\0';
    for (const ErrorText &entry : kTexts) {
        if (entry.number != error)
            continue;
        // Cut to fit; the texts are ASCII, so no character is split.
        const std::size_t n = std::min<std::size_t>(std::strlen(entry.text), length - 1);
        std::memcpy(buffer, entry.text, n);
        buffer[n] = '\0';
        return true;
    }
    return false;
}
