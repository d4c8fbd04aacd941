#include "EmuOptions.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

namespace emu {

static QString description()
{
    QStringList d;
    d << QStringLiteral("Emulates the Kelvatron RT519 instrument on a serial line: answers the sign-on "
                        "with its identification, switches to the rate it offered after the option "
                        "select, presents its password in P0, checks the PC's P1 (ACK, or a break when "
                        "wrong), serves its data base for \"BASE\" in data blocks STX..EOT+BCC waiting "
                        "for an ACK after each (NAK or a bad reply: the block again) and ends with a "
                        "break; stores written meter records (100 at most, then ERR(BASE_OVFLOW)); "
                        "erases on E1 and answers ACK.")
      << QString()
      << QStringLiteral("By default it opens a pseudo-terminal and prints \"PTY <slave path>\" as the "
                        "first line of stdout (\"PORT <device>\" with --port). The slave stays usable "
                        "when the PC closes and reopens it; what the PC left unread when it closed, "
                        "and what is sent while it is closed, is lost as on a real port. A new "
                        "sign-on always starts afresh.")
      << QString()
      << QStringLiteral("Base file: UTF-8 text in the device's record syntax, sent in CP1251. Items "
                        "NAME(value) follow each other; line breaks and blanks at line ends are not "
                        "sent (a record may span lines, a blank inside a line is kept); lines starting "
                        "with # are comments. A record ends with its closing item: CONST (meter "
                        "record), WKPHASE (result), Q_MINUS (profile slice; a day TIME HOUR MIN SEC "
                        "DATE MON YEAR goes just before its first slice). Order as the device keeps "
                        "it: meter, its results, its profile days each with its slices. "
                        "data/emu/demo.base is the built-in demo.")
      << QString()
      << QStringLiteral("Blocks: records are cut into blocks of --block-size text bytes, never after "
                        "the start of the closing item's name (unless --split-anywhere), so the "
                        "block that completes a record ends with it; whole records of the same kind "
                        "share a block while they fit (unless --no-pack).")
      << QString()
      << QStringLiteral("Faults (--fault name[@point[:k]][=n], repeatable): strike n times (default 1, "
                        "or \"always\") from the k-th time the point is reached (default 1; counted "
                        "from start, repeats included). Points: ident (identification), p0 (device "
                        "password), p1 (answer to P1), r3 (answer to the read command), block (each "
                        "data block), break (closing break), w1 (answer to a meter record), e1 "
                        "(answer to the erase). The first point listed is the default:");
    d << faultHelp();
    d << QString()
      << QStringLiteral("The device gives up a session after --session-timeout-ms without a byte from "
                        "the PC, or after 3 repeats of one frame, and returns to 300 baud quietly.");
    return d.join(QLatin1Char('\n'));
}

static bool toInt(const QString &text, int min, int *out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min) return false;
    *out = v;
    return true;
}

ParseResult parseOptions(const QStringList &arguments, EmuOptions *o, QString *error)
{
    QCommandLineParser p;
    p.setApplicationDescription(description());
    const auto help = p.addHelpOption();
    const QCommandLineOption base(QStringLiteral("base"), QStringLiteral("Data base file (else the built-in demo)."), QStringLiteral("file"));
    const QCommandLineOption empty(QStringLiteral("empty"), QStringLiteral("Start with an empty data base."));
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Also make a symlink to the pty slave at this path (replaces a symlink, never a file); removed at exit."), QStringLiteral("path"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Use this real serial port instead of a pty."), QStringLiteral("device"));
    const QCommandLineOption framing(QStringLiteral("framing"), QStringLiteral("8E1 (default) or 7E1: the real port's framing, and the bits per byte of the rate simulation."), QStringLiteral("8E1|7E1"), QStringLiteral("8E1"));
    const QCommandLineOption maker(QStringLiteral("maker"), QStringLiteral("Three-character maker code of the identification (default KLV)."), QStringLiteral("XXX"), QStringLiteral("KLV"));
    const QCommandLineOption rate(QStringLiteral("rate-char"), QStringLiteral("Rate character offered: 0..9 = 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200 baud; any other character is sent as it is (default 5)."), QStringLiteral("Z"), QStringLiteral("5"));
    const QCommandLineOption ident(QStringLiteral("ident-text"), QStringLiteral("Identification text (default RT519)."), QStringLiteral("text"), QStringLiteral("RT519"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password the device presents in P0 (default 735)."), QStringLiteral("text"), QStringLiteral("735"));
    const QCommandLineOption pcPassword(QStringLiteral("pc-password"), QStringLiteral("Password the device accepts in the PC's P1 (default 735)."), QStringLiteral("text"), QStringLiteral("735"));
    const QCommandLineOption blockSize(QStringLiteral("block-size"), QStringLiteral("Most text bytes in a data block (default 128)."), QStringLiteral("n"), QStringLiteral("128"));
    const QCommandLineOption noPack(QStringLiteral("no-pack"), QStringLiteral("Never put two records into one block."));
    const QCommandLineOption crlf(QStringLiteral("crlf"), QStringLiteral("Send CR LF after every record."));
    const QCommandLineOption anywhere(QStringLiteral("split-anywhere"), QStringLiteral("Cut blocks at the block size even between the closing item's name and its value."));
    const QCommandLineOption reaction(QStringLiteral("reaction-ms"), QStringLiteral("Pause before every answer (default 50)."), QStringLiteral("ms"), QStringLiteral("50"));
    const QCommandLineOption simulate(QStringLiteral("simulate-rate"), QStringLiteral("Let every byte take its time at the current rate, both ways (a pty has no speed)."));
    const QCommandLineOption session(QStringLiteral("session-timeout-ms"), QStringLiteral("End a session after this long without a byte from the PC (default 10000)."), QStringLiteral("ms"), QStringLiteral("10000"));
    const QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("Trace every byte both ways, with time and direction, to a file or - (stdout)."), QStringLiteral("file|-"));
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("Commit a fault (see the list above); repeatable."), QStringLiteral("name[@point[:k]][=n]"));
    const QCommandLineOption dump(QStringLiteral("dump-written"), QStringLiteral("Keep this file equal to the meter records the PC has written and the device still holds (base-file form, one a line)."), QStringLiteral("file"));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("Exit after the first session has ended."));
    for (const auto &opt : {base, empty, link, port, framing, maker, rate, ident, password, pcPassword, blockSize, noPack, crlf,
                            anywhere, reaction, simulate, session, trace, fault, dump, once})
        p.addOption(opt);

    if (!p.parse(arguments)) {
        *error = p.errorText();
        return ParseResult::Error;
    }
    if (p.isSet(help)) {
        QTextStream(stdout) << p.helpText();
        return ParseResult::Exit;
    }
    if (!p.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first());
        return ParseResult::Error;
    }
    auto fail = [&](const QString &why) {
        *error = why;
        return ParseResult::Error;
    };

    DeviceConfig &d = o->device;
    const auto makerBytes = toDeviceText(p.value(maker));
    if (!makerBytes || makerBytes->size() != 3) return fail(QStringLiteral("--maker needs exactly three characters"));
    d.maker = *makerBytes;
    const auto rateBytes = toDeviceText(p.value(rate));
    if (!rateBytes || rateBytes->size() != 1) return fail(QStringLiteral("--rate-char needs exactly one character"));
    d.rateChar = rateBytes->front();
    const auto identBytes = toDeviceText(p.value(ident));
    if (!identBytes || identBytes->contains('\r') || identBytes->contains('\n'))
        return fail(QStringLiteral("--ident-text must be CP1251 text without CR or LF"));
    d.identText = *identBytes;
    for (const auto &[opt, target] : {std::pair{&password, &d.password}, std::pair{&pcPassword, &d.pcPassword}}) {
        const auto bytes = toDeviceText(p.value(*opt));
        if (!bytes || bytes->contains(')')) return fail(QStringLiteral("--%1 must be CP1251 text without \")\"").arg(opt->names().first()));
        *target = *bytes;
    }
    if (!toInt(p.value(blockSize), 1, &d.layout.blockSize)) return fail(QStringLiteral("--block-size must be 1 or more"));
    d.layout.pack = !p.isSet(noPack);
    d.layout.crlf = p.isSet(crlf);
    d.layout.splitAnywhere = p.isSet(anywhere);
    if (!toInt(p.value(reaction), 0, &d.reactionMs)) return fail(QStringLiteral("--reaction-ms must be 0 or more"));
    if (!toInt(p.value(session), 1, &d.sessionTimeoutMs)) return fail(QStringLiteral("--session-timeout-ms must be 1 or more"));
    for (const QString &f : p.values(fault)) {
        QString why;
        const auto parsed = parseFault(f, &why);
        if (!parsed) return fail(why);
        d.faults.add(*parsed);
    }

    const QString fr = p.value(framing).toUpper();
    if (fr != QLatin1String("8E1") && fr != QLatin1String("7E1")) return fail(QStringLiteral("--framing is 8E1 or 7E1"));
    o->dataBits = fr == QLatin1String("7E1") ? 7 : 8;
    o->runner.bitsPerChar = o->dataBits + 3;
    o->runner.simulateRate = p.isSet(simulate);
    o->runner.once = p.isSet(once);
    o->runner.dumpWritten = p.value(dump);
    o->baseFile = p.value(base);
    o->emptyBase = p.isSet(empty);
    if (o->emptyBase && !o->baseFile.isEmpty()) return fail(QStringLiteral("--empty and --base exclude each other"));
    o->link = p.value(link);
    o->port = p.value(port);
    if (!o->port.isEmpty() && !o->link.isEmpty()) return fail(QStringLiteral("--link is for the pty; it cannot go with --port"));
    o->trace = p.value(trace);
    return ParseResult::Run;
}

} // namespace emu
