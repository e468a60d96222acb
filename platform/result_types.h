// The library's result types, declared here, once and [[nodiscard]], so that
// the seam table below every layer can name them. Their values and meanings
// are in support/results.h.
#pragma once

namespace zpos {

enum class [[nodiscard]] SendResult : int;
enum class [[nodiscard]] ExchangeResult : int;
enum class [[nodiscard]] ConnectResult : int;
enum class [[nodiscard]] BackupRouteResult : int;
enum class [[nodiscard]] RequestBuild : int;
enum class [[nodiscard]] BackupRequestBuild : int;
enum class [[nodiscard]] AckResult : int;
enum class [[nodiscard]] ManagementResult : int;
enum class [[nodiscard]] AutoAckResult : int;
enum class [[nodiscard]] DownloadResult : int;

}  // namespace zpos
