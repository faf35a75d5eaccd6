#pragma once
// The command line of tarnholm-crypt, parsed without touching any file.

#include <QString>
#include <QStringList>

struct CryptOptions {
  bool help = false;
  bool encrypt = false;
  QString input;
  QString output;
  QString keyFile;  // empty: not given
  QString profile;  // empty: not given
  QString iniPath = QStringLiteral("ftp.ini");
  bool iniGiven = false;
  bool force = false;
};

// Exit statuses, also listed in the help text.
enum CryptExit : int {
  kExitOk = 0,
  kExitFailed = 1,      // reading, transforming or writing failed on the way
  kExitUsage = 2,       // the command line is wrong
  kExitKey = 3,         // no usable key text
  kExitInput = 4,       // the input is missing, not a file or shorter than 16 bytes
  kExitOutput = 5,      // the output exists, is the input, or cannot be created
};

// Parses args (without the program name). True on success; otherwise error
// holds a one-line English reason. --help makes every other problem moot.
[[nodiscard]] bool ParseCryptOptions(const QStringList& args, CryptOptions& options, QString& error);

[[nodiscard]] QString CryptHelpText();
