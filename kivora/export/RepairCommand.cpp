#include "kivora/export/RepairCommand.h"

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/MenuCommandSupport.h"
#include "kivora/export/SaveRules.h"
#include "kivora/playback/FfmpegSampleJudge.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieRepair.h"
#include "kivora/ui/UiTextQt.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>
#include <string_view>
#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;
using recording::RepairStatus;

namespace {

constexpr int kSlotRepair = 14;
constexpr int kSlotChooseOutput = 101;
constexpr int kSlotSameName = 90;
constexpr int kSlotConfirm = 104;
constexpr int kSlotFinished = 44;
constexpr int kSlotFinishedCaption = 45;
constexpr int kOk = 1;
// Room for the rebuilt index and the staged copy's metadata beyond the kept movie data.
constexpr std::uint64_t kIndexRoom = 4ull << 20;

struct Outcome {
    RepairStatus status = RepairStatus::NotAMovie;
    std::string error;
    recording::RepairResult result;
    bool cancelled = false;
    bool noTemplate = false;
};

// Tries the candidates in turn, as the command line does: only a template of another camera makes
// the next one worth trying. The result lands at staged.
Outcome runRepair(const fs::path& broken, const fs::path& staged, int layout, WorkerContext& worker)
{
    Outcome outcome;
    // The data file is found by the layout of the card the movie comes from, not the window's.
    const recording::ThreadLayoutScope layoutScope(layout);
    const recording::WriteStop stop = [&worker] { return worker.cancelled(); };
    const std::vector<fs::path> candidates = recording::TemplateCandidates(broken);
    if (candidates.empty()) {
        outcome.noTemplate = true;
        return outcome;
    }
    int posted = -1;
    const recording::WriteProgress progress = [&](std::uint64_t done, std::uint64_t total) {
        // Per whole percent: the walk reports far more often than the window can show.
        const int percent = total ? int(done * 100 / total) : 100;
        if (percent != posted) {
            posted = percent;
            worker.progress(std::int64_t(done), std::int64_t(total));
        }
    };
    for (const fs::path& candidate : candidates) {
        if (worker.cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }
        std::string why;
        const auto tpl = recording::ReadRepairTemplate(candidate, why);
        auto judge = tpl ? playback::FfmpegSampleJudge::create(*tpl, why) : nullptr;
        if (!judge) {
            outcome.status = RepairStatus::TemplateMismatch;
            outcome.error = why;
            continue;
        }
        outcome.result = recording::RepairMovie(broken, *tpl, *judge, staged, progress, stop);
        outcome.status = outcome.result.status;
        outcome.error = outcome.result.error;
        if (outcome.status != RepairStatus::TemplateMismatch)
            break;
    }
    outcome.cancelled = worker.cancelled();
    return outcome;
}

} // namespace

RepairCommand::RepairCommand(
    IExportContext& context, IWorkerHost& host, Window window, fs::path settingsFile, int languageIndex)
    : m_context(context)
    , m_host(host)
    , m_window(std::move(window))
    , m_settingsFile(std::move(settingsFile))
    , m_languageIndex(languageIndex)
{
}

QString RepairCommand::text(const char* japanese, const char* english) const
{
    return ownText(m_languageIndex, japanese, english);
}

QString RepairCommand::noTemplateText() const
{
    return text("同じカメラの正常な動画が同じフォルダーにないため修復できません。",
        "No healthy recording of the same camera lies beside it to repair it with.");
}

void RepairCommand::error(const QString& message)
{
    m_context.messageBox(message, QStringLiteral("ERROR"), 0);
}

bool RepairCommand::looksCut(const fs::path& movie)
{
    std::ifstream in(movie, std::ios::binary);
    std::error_code ec;
    const std::uint64_t size = fs::file_size(movie, ec);
    if (!in || ec || size < 8)
        return false;
    // The top-level atoms: a file type first, then no complete index.
    std::uint64_t at = 0;
    while (size - at >= 8) {
        std::array<unsigned char, 16> h {};
        in.seekg(std::streamoff(at));
        in.read(reinterpret_cast<char*>(h.data()), std::streamsize(std::min<std::uint64_t>(16, size - at)));
        const std::string_view type(reinterpret_cast<const char*>(h.data() + 4), 4);
        std::uint64_t atomSize = (std::uint64_t(h[0]) << 24) | (h[1] << 16) | (h[2] << 8) | h[3];
        if (atomSize == 1)
            for (int i = 8; i < 16; ++i)
                atomSize = (i == 8 ? 0 : atomSize << 8) | h[std::size_t(i)];
        else if (atomSize == 0)
            atomSize = size - at;
        if (at == 0 && type != "ftyp")
            return false;
        if (atomSize < 8 || atomSize > size - at)
            return true; // the file ends inside this atom
        if (type == "moov")
            return false;
        at += atomSize;
    }
    return true;
}

bool RepairCommand::templateExists(const fs::path& broken)
{
    std::error_code ec;
    return !broken.empty() && fs::is_regular_file(broken, ec)
        && !recording::TemplateCandidates(broken).empty();
}

bool RepairCommand::offer(const fs::path& broken, const QString& errorText)
{
    m_lastFailed = broken;
    const QString question = errorText + QStringLiteral("\n\n") + ui::uiQText(kSlotRepair, m_languageIndex)
        + QStringLiteral(": ")
        + text("この動画を修復しますか？", "Repair this recording from the data on the card?");
    return m_context.messageBox(question, QStringLiteral("ERROR"), 1) == kOk;
}

void RepairCommand::chooseAndRepair()
{
    if (m_host.workerRunning() || !m_window.chooseMovie)
        return;
    fs::path start = m_lastFailed;
    if (start.empty())
        if (const auto open = m_context.openRecording())
            start = open->movie.parent_path();
    if (start.empty())
        start = m_context.browser().sourcePath();
    const fs::path broken = m_window.chooseMovie(
        start, text("修復する動画を選択してください。", "Choose the recording to repair"));
    if (!broken.empty())
        repair(broken);
}

void RepairCommand::repair(const fs::path& broken)
{
    if (m_host.workerRunning())
        return;
    std::error_code ec;
    if (!fs::is_regular_file(broken, ec)) {
        error(text("修復する動画が見つかりません。", "The recording to repair is not there any more."));
        return;
    }
    // Told before the user chooses anything.
    if (!looksCut(broken)) {
        error(text("この動画は電源断で途切れた録画ではないため、修復できません。",
            "This file is not a recording cut at power loss: there is nothing to repair."));
        return;
    }
    if (!templateExists(broken)) {
        error(noTemplateText());
        return;
    }
    const fs::path folder
        = chooseOutputFolder(m_context, rememberedFolder(m_settingsFile, "CONNECT_FOLDER", m_context),
            ui::uiQText(kSlotChooseOutput, m_languageIndex), m_languageIndex);
    if (folder.empty())
        return;
    const fs::path output = folder / broken.filename();
    // The broken movie is only ever read: its own folder would put the repair in its place.
    if (fs::equivalent(folder, broken.parent_path(), ec)) {
        error(text("修復した動画は元の動画と別のフォルダーに保存してください。",
            "The repaired recording needs a folder other than the broken one's."));
        return;
    }
    if (fs::exists(output, ec)
        && m_context.messageBox(
               ui::uiQText(kSlotSameName, m_languageIndex), ui::uiQText(kSlotConfirm, m_languageIndex), 1)
            != kOk)
        return;
    const std::uint64_t size = fs::file_size(broken, ec);
    if (!HasRoom(size + kIndexRoom, FreeSpace(folder))) {
        error(text("保存先の空き容量が足りません。", "There is not enough free space in the chosen folder."));
        return;
    }

    const int layout = recording::MovieLayout(broken);
    // Appended, not "." + name: GCC 12 warns falsely (-Wrestrict) on a literal plus a temporary.
    std::string stagedName = ".";
    stagedName += broken.filename().string();
    stagedName += ".repairing";
    const fs::path staged = folder / stagedName;
    auto outcome = std::make_shared<Outcome>();
    m_host.startWorker(
        [broken, staged, output, outcome, layout](WorkerContext& worker) {
            *outcome = runRepair(broken, staged, layout, worker);
            std::error_code ec;
            if (outcome->status == RepairStatus::Repaired && !outcome->cancelled) {
                fs::rename(staged, output, ec);
                if (!ec)
                    return 1;
                outcome->status = RepairStatus::WriteFailed;
                outcome->error = ec.message();
            }
            fs::remove(staged, ec);
            return 0;
        },
        [this, outcome, output, broken](int result) {
            if (result == 1) {
                const auto& r = outcome->result;
                // A recording without sound says nothing of it.
                QString note = r.soundFrames == 0
                    ? text("%1 コマを修復しました。", "%1 video frames kept.").arg(r.videoFrames)
                    : text("%1 コマ、音声 %2 フレームを修復しました。",
                        "%1 video frames and %2 sound frames kept.")
                          .arg(r.videoFrames)
                          .arg(r.soundFrames);
                if (!r.telemetry)
                    note += QLatin1Char('\n')
                        + text("走行データはありません。", "The recording had no telemetry to add.");
                m_context.messageBox(ui::uiQText(kSlotFinished, m_languageIndex) + QLatin1Char('\n')
                        + QString::fromStdString(output.string()) + QLatin1Char('\n') + note,
                    ui::uiQText(kSlotFinishedCaption, m_languageIndex), 0);
                if (m_window.openRepaired)
                    m_window.openRepaired(output);
                return;
            }
            if (outcome->cancelled)
                return;
            if (outcome->noTemplate) {
                error(noTemplateText());
                return;
            }
            QString why;
            switch (outcome->status) {
            case RepairStatus::NotCut:
                why = text("この動画は壊れていません。", "This recording is not cut: it has its index.");
                break;
            case RepairStatus::TemplateMismatch:
                why = text("同じカメラの動画が見つかりません。",
                    "No movie beside it is of the same camera and size.");
                break;
            case RepairStatus::NoKeyFrame:
                why = text(
                    "最初のキーフレームの途中で切れています。", "It was cut inside its first key frame.");
                break;
            case RepairStatus::WriteFailed:
                why = text("書き込みに失敗しました。", "Writing the repaired movie failed.");
                break;
            default:
                why = text("録画の動画ではありません。", "It is not a recording's movie.");
                break;
            }
            const QString detail = outcome->error.empty()
                ? QString()
                : QStringLiteral(" (") + QString::fromStdString(outcome->error) + QLatin1Char(')');
            error(ui::uiQText(kSlotRepair, m_languageIndex) + QStringLiteral(": ")
                + QString::fromStdString(broken.filename().string()) + QLatin1Char('\n') + why + detail);
        });
}

} // namespace kivora::exporting
