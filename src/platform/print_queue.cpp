#include "print_queue.h"

#include "errors_platform.h"

#include <cups/cups.h>

#include <memory>

namespace velta {
namespace {

// The PWG name of はがき and its size in hundredths of a millimetre.

struct DestDeleter {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;

QString option(const cups_dest_t& dest, const char* name) {
    return QString::fromUtf8(cupsGetOption(name, dest.num_options, dest.options));
}

QString serviceError() {
    return QString::fromUtf8(cupsLastErrorString());
}

// The queue as the service describes it now, checked to be ready for a job.
Dest readyQueue(const QString& queue) {
    const QByteArray name = queue.toUtf8();
    Dest dest(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.isEmpty() ? nullptr : name.constData(), nullptr));
    if (!dest) {
        if (queue.isEmpty())
            throw PlatformError(
                QStringLiteral(
                    "既定のプリンターが設定されていません。プリンターを選んでください。\n%1")
                    .arg(serviceError()));
        throw PlatformError(
            QStringLiteral("プリンター「%1」が見つかりません。名前を確かめてください。\n%2")
                .arg(queue, serviceError()));
    }
    const QString shown = QString::fromUtf8(dest->name);
    if (option(*dest, "printer-state") == QLatin1String("5")) // IPP_PSTATE_STOPPED
        throw PlatformError(
            QStringLiteral("プリンター「%1」は停止しています。再開してから印刷してください。\n%2")
                .arg(shown, option(*dest, "printer-state-message")));
    if (option(*dest, "printer-is-accepting-jobs") == QLatin1String("false"))
        throw PlatformError(QStringLiteral("プリンター「%1」は印刷を受け付けていません。\n%2")
                                .arg(shown, option(*dest, "printer-state-message")));
    return dest;
}

// The printer's own name for a paper of this size (hundredths of a millimetre); empty when it
// has none and the paper must be a custom size.
QByteArray nativeMedia(cups_dest_t* dest, int width, int length) {
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (!info)
        return {};
    QByteArray found;
    ipp_attribute_t* supported = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, "media");
    for (int i = 0; supported && i < ippGetCount(supported) && found.isEmpty(); ++i) {
        const char* name = ippGetString(supported, i, nullptr);
        const pwg_media_t* media = name ? pwgMediaForPWG(name) : nullptr;
        if (media && media->width == width && media->length == length)
            found = name;
    }
    cupsFreeDestInfo(info);
    return found;
}

} // namespace

QVector<PrintQueue> printQueues() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QVector<PrintQueue> queues;
    for (int i = 0; i < count; ++i) {
        if (dests[i].instance) // lpoptions instances are the same queue
            continue;
        PrintQueue queue{QString::fromUtf8(dests[i].name), option(dests[i], "printer-info"),
                         dests[i].is_default != 0};
        if (queue.isDefault)
            queues.prepend(queue);
        else
            queues.append(queue);
    }
    cupsFreeDests(count, dests);
    return queues;
}

QString readyPrintQueue(const QString& queue) {
    return QString::fromUtf8(readyQueue(queue)->name);
}

QString defaultPrintQueue() {
    const Dest dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
    return dest ? QString::fromUtf8(dest->name) : QString();
}

int printPdf(const PdfPrintJob& job) {
    const Dest dest = readyQueue(job.queue);
    cups_option_t* options = nullptr;
    int count = 0;
    const int width = static_cast<int>(std::lround(job.paperWidthMm * 100));
    const int length = static_cast<int>(std::lround(job.paperHeightMm * 100));
    if (const QByteArray native = nativeMedia(dest.get(), width, length); !native.isEmpty()) {
        count = cupsAddOption("media", native.constData(), count, &options);
    } else {
        // Left to itself the service would round a custom はがき to whole points (283 × 419),
        // 0.2 mm short; the driver's custom size in millimetres is exact.
        const pwg_media_t* media = pwgMediaForSize(width, length);
        count =
            cupsAddOption("media", media ? media->pwg : "jpn_hagaki_100x148mm", count, &options);
        count = cupsAddOption("PageSize",
                              QStringLiteral("Custom.%1x%2mm")
                                  .arg(job.paperWidthMm)
                                  .arg(job.paperHeightMm)
                                  .toLatin1()
                                  .constData(),
                              count, &options);
    }
    count = cupsAddOption("orientation-requested", "3", count, &options); // portrait
    count = cupsAddOption("print-scaling", "none", count, &options);
    count = cupsAddOption("fit-to-page", "false", count, &options);
    count = cupsAddOption("copies", QByteArray::number(std::max(1, job.copies)).constData(), count,
                          &options);
    count = cupsAddOption("multiple-document-handling",
                          job.collate ? "separate-documents-collated-copies"
                                      : "separate-documents-uncollated-copies",
                          count, &options);
    const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, job.file.toLocal8Bit().constData(),
                                  job.title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id <= 0)
        throw PlatformError(
            QStringLiteral(
                "プリンター「%1」が印刷を受け付けませんでした。何も印刷していません。\n%2")
                .arg(QString::fromUtf8(dest->name), serviceError()));
    return id;
}

} // namespace velta
