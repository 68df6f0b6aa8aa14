#include "load_driver.h"

#include <sys/stat.h>

#include "field_stream.h"
#include "record_assembly.h"

namespace abys {

namespace {

void resetDataset(Dataset& dataset) {
  releaseDataset(dataset);
  dataset.dsid = {};
  dataset.dssi = {};
  dataset.dspm = {};
  dataset.vectorCount = 0;
  dataset.extentsEmpty = 1;
  dataset.minX = dataset.maxX = dataset.minY = dataset.maxY = 0;
  dataset.delta = dataset.eps = 0;
  dataset.dspm.comf = 1;
  dataset.dspm.somf = 1;
}

}  // namespace

int loadCell(Dataset& dataset, const char* path, int32_t& exchangePurpose, const LogFn& log,
             const ProgressFn& progress, const LoadOptions& options) {
  resetDataset(dataset);
  exchangePurpose = 0;

  struct stat info {};
  const bool sized = ::stat(path, &info) == 0;
  if (sized && S_ISDIR(info.st_mode)) return kCannotOpen;
  const double size = sized ? static_cast<double>(info.st_size) : 0.0;

  FieldStream stream;
  if (!stream.open(path)) return kCannotOpen;

  // Fractions of the file read so far; an empty file or one of unknown size
  // reports 1.0 once it has been read.
  const bool fractions = progress && size > 0;
  auto reportProgress = [&] {
    if (fractions) progress(static_cast<double>(stream.bytesRead()) / size);
  };

  logMessage(log, "Loading S-57 Binary File (DDF) %s ... Please Wait !\n", path);
  reportProgress();  // the descriptive record

  int status = 0;
  uint8_t lexicalLevel = 0;
  RecordId currentName;
  // Read on past an order error: the record it is in, told once its end is read.
  bool orderErrorInRecord = false;
  OrderError record;
  for (;;) {
    const int length = stream.next();
    if (length == 0) break;
    if (length < 0) {
      status = kMalformedRecordCode;
      logMessage(log, "Error at %d Error Code = %d\n", stream.fieldNumber(), status);
      break;
    }
    reportProgress();
    const int fieldNumber = stream.fieldNumber();

    int code = stream.checkCode();
    if (code != 0) {
      logMessage(log, "Error at %d Error Code = %d\n", fieldNumber, code);
      if (code != 3) {
        status = code;
        break;
      }
    }
    const int type = stream.type();
    if (type == kUnknownField) {
      status = 6;
      logMessage(log, "Error at %d Error Code = %d\n", fieldNumber, status);
      break;
    }
    code = stream.checkOrder();
    if (code != 0) {
      logMessage(log, "Error at %d Error Code = %d\n", fieldNumber, code);
      if (!options.readPastOrderErrors) {
        status = code;
        break;
      }
      if (status == 0) status = code;
      orderErrorInRecord = true;
    }

    code = stream.decode();
    if (code != 0) {
      logMessage(log, "Error %d RCNM %03d(%02x) RCID %010d(%04x)\n", code,
                 static_cast<int>(currentName.rcnm), static_cast<unsigned>(currentName.rcnm),
                 static_cast<int>(currentName.rcid), static_cast<unsigned>(currentName.rcid));
    }
    code = assembleField(type, dataset, stream.image(), stream.elementCount(), exchangePurpose,
                         currentName, lexicalLevel);
    if (code != 0) {
      status = code;
      logMessage(log, "Error at %d Error Code = %d\n", fieldNumber, status);
      break;
    }
    // Assembly decides the exchange purpose and lexical level the load
    // reports; the stream follows it so that order checks and decoding agree.
    stream.setExchangePurpose(exchangePurpose);
    stream.setLexicalLevel(lexicalLevel);

    if (!options.readPastOrderErrors) continue;
    if (type == kFieldFRID) {
      record.feature = dataset.features.last;
    } else if (type == kFieldVRID) {
      record.vector = dataset.currentVector;
    } else if (type == kFieldEndOfRecord) {
      if (orderErrorInRecord && options.orderError) {
        record.name = currentName;  // the record's, whatever kind it is
        options.orderError(record);
      }
      orderErrorInRecord = false;
      record = {};
    }
  }
  stream.close();
  if (progress && size <= 0) progress(1.0);

  if (status != 0) {
    logMessage(log, "Loading S-57 Binary File (DDF) Failed, Invalid Format!\n");
  } else {
    logMessage(log, "Loading S-57 Binary File (DDF) Completed!\n");
    logMessage(log, "Number of Feature Record = %d\n", dataset.features.count);
    logMessage(log, "Number of Vector  Record = %d\n", dataset.vectorCount);
    logMessage(log, "        Number of Points = %d\n", dataset.isolatedNodes.count);
    logMessage(log, "        Number of Nodes  = %d\n", dataset.connectedNodes.count);
    logMessage(log, "        Number of Edges  = %d\n", dataset.edges.count);
    logMessage(log, "Minimum and Maximum X    = ( %.7f - %.7f )\n", dataset.minX, dataset.maxX);
    logMessage(log, "Minimum and Maximum Y    = ( %.7f - %.7f )\n", dataset.minY, dataset.maxY);
  }
  if (exchangePurpose == 1) {
    const double comf = static_cast<double>(dataset.dspm.comf);
    const double cscl = static_cast<double>(dataset.dspm.cscl);
    dataset.eps = (1.0 / comf) * 0.5;
    dataset.delta = cscl * 9.000000000000001e-10;
    logMessage(log, "DELTA = %.10f  EPS = %.10f\n", dataset.delta, dataset.eps);
  }
  return status;
}

void releaseDataset(Dataset& dataset) {
  // The identification texts lived in the arena too.
  for (std::string_view* text :
       {&dataset.dsid.dsnm, &dataset.dsid.edtn, &dataset.dsid.updn, &dataset.dsid.psdn,
        &dataset.dsid.pred, &dataset.dsid.comt, &dataset.dspm.comt}) {
    *text = "";
  }
  dataset.arena.release();
  dataset.features.clear();
  dataset.isolatedNodes.clear();
  dataset.connectedNodes.clear();
  dataset.edges.clear();
  dataset.currentVector = nullptr;
  dataset.growingRun = {};
}

}  // namespace abys
