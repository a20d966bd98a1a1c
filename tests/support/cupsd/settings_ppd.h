#pragma once
// A PPD of our own for test queues whose settings matter (PrivateCupsd::addPpdQueue).

namespace ts::support {

// A PostScript printer of A4 and Letter (Letter by default, 18 pt at the left and bottom and
// 12 pt at the right and top unprintable), printing on both sides along the long edge at
// 300 dpi unless a job asks otherwise. Each choice's code names itself, so the document the
// printer receives shows which ones were taken.
inline constexpr const char* kSettingsPpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "SETTINGS.PPD"
*Manufacturer: "Typestone Tests"
*Product: "(Settings)"
*ModelName: "Settings Printer"
*ShortNickName: "Settings Printer"
*NickName: "Settings Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: Letter
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice % ts-media-a4"
*PageSize Letter/Letter: "<</PageSize[612 792]>>setpagedevice % ts-media-letter"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: Letter
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: Letter
*ImageableArea A4/A4: "18 18 583 830"
*ImageableArea Letter/Letter: "18 18 600 780"
*DefaultPaperDimension: Letter
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/Letter: "612 792"
*OpenUI *Duplex/2-Sided Printing: PickOne
*OrderDependency: 20 AnySetup *Duplex
*DefaultDuplex: DuplexNoTumble
*Duplex None/Off: "<</Duplex false>>setpagedevice % ts-sides-one"
*Duplex DuplexNoTumble/Long Edge: "<</Duplex true/Tumble false>>setpagedevice % ts-sides-long"
*Duplex DuplexTumble/Short Edge: "<</Duplex true/Tumble true>>setpagedevice % ts-sides-short"
*CloseUI: *Duplex
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 15 AnySetup *Resolution
*DefaultResolution: 300dpi
*Resolution 300dpi/300 DPI: "<</HWResolution[300 300]>>setpagedevice % ts-res-300"
*Resolution 600dpi/600 DPI: "<</HWResolution[600 600]>>setpagedevice % ts-res-600"
*CloseUI: *Resolution
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
)ppd";

} // namespace ts::support
