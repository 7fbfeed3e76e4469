#pragma once

#include "AppData.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

// Points the configuration folder at a fresh temporary folder for the life of a
// test, so no test ever touches a real user's settings.
class TempConfig {
public:
    TempConfig() : Old(qgetenv("XDG_CONFIG_HOME")), HadOld(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Dir.path()));
    }
    ~TempConfig() {
        if (HadOld)
            qputenv("XDG_CONFIG_HOME", Old);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;

    QString root() const { return Dir.path(); }
    QString file() const { return TAppData::FileName(); }
    QString folder() const { return QFileInfo(file()).absolutePath(); }

    // Puts these exact bytes in place of the settings file.
    void put(const QByteArray& Bytes) const {
        QDir().mkpath(folder());
        QFile f(file());
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(Bytes);
    }
    // Puts an INI text written with "\n" as CR LF lines after a byte-order mark.
    void putIni(const char* Utf8Text) const {
        put("\xEF\xBB\xBF" + QByteArray(Utf8Text).replace("\n", "\r\n"));
    }
    QByteArray bytes() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The file as text, CR LF shown as "\n" and without its byte-order mark.
    QString text() const {
        QByteArray b = bytes();
        if (b.startsWith("\xEF\xBB\xBF")) b.remove(0, 3);
        return QString::fromUtf8(b.replace("\r\n", "\n"));
    }

private:
    QTemporaryDir Dir;
    QByteArray Old;
    bool HadOld;
};

// A settings object with all three lists lent, as the calculator uses it.
struct Settings {
    TExpressionHistoryList History;
    TVariableDictionary Variables;
    QStringList Records;
    TAppData Data;

    Settings() {
        Data.ExpressionHistorys = &History;
        Data.VariableDictionary = &Variables;
    }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // The recorded expressions are lent only around a read or a write.
    void read() {
        Records.clear();
        Data.RecordExpressions = &Records;
        Data.Read();
        Data.RecordExpressions = nullptr;
    }
    void write() {
        Data.RecordExpressions = &Records;
        Data.Write();
        Data.RecordExpressions = nullptr;
    }
    TExpressionHistory& add(const QString& Text, double Value) {
        History.push_back(std::make_unique<TExpressionHistory>());
        History.back()->SetExpressionText(Text);
        History.back()->SetValue(Value);
        return *History.back();
    }
};

// A full history of Records entries and a few variables. Two variants hold the
// same keys with other values, so either one written over the other gives the
// same file as written alone.
inline void fillSample(Settings& s, int Variant, int Records = 1000) {
    s.History.clear();
    s.Variables.Clear();
    s.Records.clear();
    TAppData& d = s.Data;
    d.IsHistoryRecord = true;
    d.IsVariableRecord = true;
    d.HistoryCount = Records;
    d.Left = 100 + Variant;
    d.InputExpressionText = QStringLiteral("variant %1").arg(Variant);
    d.Ans = 1.0 / (3 + Variant);
    for (int i = 0; i < Records; ++i) {
        TExpressionHistory& h =
            s.add(QStringLiteral("sqrt(%1)+%2*PI").arg(i).arg(Variant), std::sqrt(i) + Variant);
        h.SetAns(i * 0.5);
        h.SetPreAns(i * 0.25);
        h.SetVarM(Variant);
        h.SetViewMode(TResultViewType(i % 8));
        h.SetAngleMode(TAngleType(i % 3));
    }
    for (int i = 0; i < 20; ++i)
        s.Variables.AddOrSetValue(QStringLiteral("V%1").arg(i), i * 1.5 + Variant);
    for (int i = 0; i < 10; ++i)
        s.Records << QStringLiteral("label %1;%2*X").arg(i).arg(Variant);
}

// Numbers with decimals in every place of the file that holds one.
inline void fillLocaleSample(Settings& s) {
    fillSample(s, 0, 3);
    s.Data.VarM = 0.75;
    s.Data.PreAns = -1.5e-7;
    s.Data.RecordExpressionFrameHeight = 30.25f;
}

// Those numbers, in the order fillLocaleSample leaves them.
inline std::vector<double> numbers(const Settings& s) {
    std::vector<double> all = {s.Data.VarM, s.Data.Ans, s.Data.PreAns, s.Data.RecordExpressionFrameHeight};
    for (const auto& h : s.History)
        all.insert(all.end(), {h->Ans(), h->PreAns(), h->VarM(), h->Value()});
    for (int i = 0; i < s.Variables.Count(); ++i)
        all.push_back(s.Variables.GetValueItems(i));
    return all;
}
