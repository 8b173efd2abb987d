// A host for script tests: records traces and timeline calls, and owns a root clip with
// named child clips found by path.
#pragma once

#include "swf/avm1/host.h"
#include "swf/avm1/machine.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace avm1test {

using namespace swf::avm1;

class FakeHost : public Host {
  public:
    QStringList traces;
    QStringList calls;
    QList<AbortReason> aborts;
    double timer = 1234;
    double nextRandom = 0.5;
    Object* rootClip = nullptr;
    QHash<QString, Object*> children; // by lower-case instance name, all under the root

    // Creates the root clip and the given children on machine.
    void attach(Machine& machine, const QStringList& childNames = {}) {
        rootClip = machine.newClip(nullptr);
        rootClip->pin();
        for (const QString& name : childNames) {
            Object* child = machine.newClip(nullptr);
            child->pin();
            children.insert(name.toLower(), child);
            rootClip->setOwn(name, child);
        }
    }
    QString nameOf(Target target) const {
        if (target == rootClip) return QStringLiteral("_level0");
        for (auto it = children.begin(); it != children.end(); ++it)
            if (it.value() == target) return QStringLiteral("_level0.") + it.key();
        return QStringLiteral("?");
    }

    void trace(const QString& line) override { traces.push_back(line); }
    double getTimer() override { return timer; }
    double randomUnit() override { return nextRandom; }
    void scriptAborted(AbortReason reason) override { aborts.push_back(reason); }
    void getUrl(const QString& url, const QString& window, UrlMethod method, bool loadTarget,
                bool loadVariables) override {
        calls.push_back(QStringLiteral("getUrl %1 %2 %3%4%5")
                            .arg(url, window)
                            .arg(static_cast<int>(method))
                            .arg(loadTarget ? " target" : "")
                            .arg(loadVariables ? " vars" : ""));
    }
    void gotoFrame(Target t, int frame, bool play) override {
        calls.push_back(
            QStringLiteral("gotoFrame %1 %2%3").arg(nameOf(t)).arg(frame).arg(play ? " play" : ""));
    }
    bool gotoLabel(Target t, const QString& label, bool play) override {
        calls.push_back(QStringLiteral("gotoLabel %1 %2%3").arg(nameOf(t), label, play ? " play" : ""));
        return true;
    }
    void play(Target t) override { calls.push_back(QStringLiteral("play ") + nameOf(t)); }
    void stop(Target t) override { calls.push_back(QStringLiteral("stop ") + nameOf(t)); }
    void nextFrame(Target t) override { calls.push_back(QStringLiteral("nextFrame ") + nameOf(t)); }
    void previousFrame(Target t) override { calls.push_back(QStringLiteral("previousFrame ") + nameOf(t)); }
    void toggleQuality() override { calls.push_back(QStringLiteral("toggleQuality")); }
    void stopSounds() override { calls.push_back(QStringLiteral("stopSounds")); }
    int framesLoaded(Target) override { return 3; }
    int frameNumber(Target, const QString& frame) override {
        bool ok = false;
        const int number = frame.toInt(&ok);
        return ok ? number - 1 : (frame == QLatin1String("intro") ? 4 : -1);
    }
    void callFrame(Target t, int frame) override {
        calls.push_back(QStringLiteral("callFrame %1 %2").arg(nameOf(t)).arg(frame));
    }
    Target resolveTarget(const QString& path, Target base) override {
        QString rest = path;
        Target current = base;
        if (rest.startsWith(QLatin1Char('/'))) {
            current = rootClip;
            rest = rest.mid(1);
        }
        for (const QString& segment :
             rest.split(QRegularExpression(QStringLiteral("[/.]")), Qt::SkipEmptyParts)) {
            if (segment == QLatin1String("_root") || segment == QLatin1String("_level0"))
                current = rootClip;
            else if (segment == QLatin1String("_parent") || segment == QLatin1String(".."))
                current = current == rootClip || !current ? nullptr : rootClip;
            else
                current = children.value(segment.toLower(), nullptr);
            if (!current) return nullptr;
        }
        return current;
    }
    QString targetPath(Target t) override { return nameOf(t); }
    Value getProperty(Target t, int index) override {
        calls.push_back(QStringLiteral("getProperty %1 %2").arg(nameOf(t)).arg(index));
        return index;
    }
    void setProperty(Target t, int index, const Value& value) override {
        calls.push_back(QStringLiteral("setProperty %1 %2 %3")
                            .arg(nameOf(t))
                            .arg(index)
                            .arg(value.isNumber() ? value.asNumber() : -1));
    }
    void cloneSprite(Target source, const QString& name, int depth) override {
        calls.push_back(QStringLiteral("cloneSprite %1 %2 %3").arg(nameOf(source), name).arg(depth));
    }
    void removeSprite(Target t) override { calls.push_back(QStringLiteral("removeSprite ") + nameOf(t)); }
    void startDrag(Target t, bool lock, bool constrain, double l, double top, double r, double b) override {
        calls.push_back(QStringLiteral("startDrag %1 %2 %3 %4 %5 %6 %7")
                            .arg(nameOf(t))
                            .arg(lock)
                            .arg(constrain)
                            .arg(l)
                            .arg(top)
                            .arg(r)
                            .arg(b));
    }
    void endDrag() override { calls.push_back(QStringLiteral("endDrag")); }
};

} // namespace avm1test
