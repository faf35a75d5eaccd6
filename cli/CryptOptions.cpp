#include "cli/CryptOptions.h"

namespace {

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool TakeValue(const QStringList& args, qsizetype& i, const QString& name, QString& value,
               QString& error) {
  const QString& arg = args[i];
  if (arg.size() > name.size() && arg.startsWith(name + u'=')) {
    value = arg.mid(name.size() + 1);
  } else if (i + 1 < args.size()) {
    value = args[++i];
  } else {
    error = name + QStringLiteral(" needs a value");
    return false;
  }
  if (value.isEmpty()) {
    error = name + QStringLiteral(" needs a non-empty value");
    return false;
  }
  return true;
}

bool IsOption(const QString& arg, const QString& name) {
  return arg == name || arg.startsWith(name + u'=');
}

}  // namespace

bool ParseCryptOptions(const QStringList& args, CryptOptions& options, QString& error) {
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
      positional << arg;
    } else if (arg == u"--") {
      optionsEnded = true;
    } else if (arg == u"--help" || arg == u"-h") {
      options.help = true;
    } else if (arg == u"--force" || arg == u"-f") {
      options.force = true;
    } else if (IsOption(arg, QStringLiteral("--key-file"))) {
      if (!TakeValue(args, i, QStringLiteral("--key-file"), options.keyFile, error)) return false;
    } else if (IsOption(arg, QStringLiteral("--profile"))) {
      if (!TakeValue(args, i, QStringLiteral("--profile"), options.profile, error)) return false;
    } else if (IsOption(arg, QStringLiteral("--ini"))) {
      if (!TakeValue(args, i, QStringLiteral("--ini"), options.iniPath, error)) return false;
      options.iniGiven = true;
    } else {
      error = QStringLiteral("unknown option %1").arg(arg);
      return false;
    }
  }
  if (options.help) return true;
  if (positional.size() != 3) {
    error = QStringLiteral("expected: encrypt|decrypt IN OUT (see --help)");
    return false;
  }
  if (positional[0] == u"encrypt") {
    options.encrypt = true;
  } else if (positional[0] != u"decrypt") {
    error = QStringLiteral("unknown command %1; use encrypt or decrypt").arg(positional[0]);
    return false;
  }
  options.input = positional[1];
  options.output = positional[2];
  if (!options.keyFile.isEmpty() && !options.profile.isEmpty()) {
    error = QStringLiteral("give either --key-file or --profile, not both");
    return false;
  }
  if (options.iniGiven && options.profile.isEmpty()) {
    error = QStringLiteral("--ini only makes sense with --profile");
    return false;
  }
  return true;
}

QString CryptHelpText() {
  return QStringLiteral(
      "Usage: tarnholm-crypt encrypt|decrypt IN OUT [--key-file FILE | --profile NAME [--ini PATH]] [--force]\n"
      "\n"
      "Encrypts or decrypts one file exactly as Tarnholm does for its .aes files, so\n"
      "that such files can be read or made without the program.\n"
      "\n"
      "The key text is 48 two-digit hexadecimal values separated by single blanks\n"
      "(bytes 1-32: AES-256 key, bytes 33-48: initialisation vector). It comes from\n"
      "  --key-file FILE   the file's text, surrounding white space ignored\n"
      "  --profile NAME    the CipherCode of profile NAME in ftp.ini in the current\n"
      "                    directory, or in the file given with --ini PATH\n"
      "  standard input    when neither option is given\n"
      "Other options:\n"
      "  --force, -f       replace OUT if it exists (never when it is IN itself)\n"
      "  --help, -h        show this text\n"
      "\n"
      "What the format is, and what it is not:\n"
      "  - AES-256 in CBC mode with ciphertext stealing (CBC-CS2): the output has\n"
      "    exactly the length of the input. Inputs below 16 bytes cannot be processed.\n"
      "  - There is no header, no padding, no checksum and no authentication. A wrong\n"
      "    key or a damaged file is not detected: decryption simply gives wrong bytes,\n"
      "    and changes to an encrypted file go unnoticed.\n"
      "  - One key and one IV serve every file of a profile. Files that begin with the\n"
      "    same bytes begin with the same encrypted bytes, which reveals that they match.\n"
      "\n"
      "OUT is written to a temporary file beside it and renamed at the end; after a\n"
      "failure no OUT is left behind.\n"
      "\n"
      "Exit status: 0 done, 1 reading or writing failed, 2 wrong command line,\n"
      "3 no usable key text, 4 input missing or shorter than 16 bytes,\n"
      "5 output exists, is the input, or cannot be created.\n");
}
