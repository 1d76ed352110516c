#include "catalogue/pages.h"

#include "catalogue/place_names.h"
#include "catalogue/web_text.h"

namespace {

// The window lays three of its pictures over the pane's top, in page pixels:
// the logo (x 47..337, y -1..61), the header picture (x 337..512, y 0..33)
// and the control strip (x 26..453, y 92..131). The page's top stays put
// under them, painted in the placeholder page's bands (52 px #dff6ff, 10 px
// white, then #e5f7ff), so that the pictures sit on their own background and
// a scrolled list slides under the strip instead of showing between the
// pictures. The search lies under the header picture, right of the logo
// (y 35..59), the tabs in the free row y 62..92 between the logo and the
// strip; the content starts below the strip.
constexpr char kStyle[] = R"css(
*{box-sizing:border-box}
html{scroll-padding-top:137px}
body{margin:0;font:13px/1.35 "Segoe UI",Tahoma,Arial,sans-serif;color:#1d2a33;background:#e5f7ff}
a{color:#0b6aa8;text-decoration:none}a:hover{text-decoration:underline}
.top{position:fixed;z-index:1;top:0;left:0;right:0;height:131px;background:#e5f7ff;border-top:52px solid #dff6ff}
.top:before{content:"";display:block;height:10px;background:#fff}
.tabs{height:30px;padding:3px 6px 0;white-space:nowrap}
.tabs a{display:inline-block;padding:3px 8px;margin-right:2px;border:1px solid transparent;border-radius:3px}
.tabs a.on{background:#fff;border-color:#a9d3ea;color:#1d2a33}
.top form{position:absolute;top:-17px;left:345px;right:8px;display:flex;margin:0}
.top input[type=text]{flex:1;min-width:0;height:24px;padding:2px 6px;border:1px solid #8fbfdb;border-radius:3px 0 0 3px;font-size:13px}
.top button{height:24px;padding:0 10px;border:1px solid #0b6aa8;border-radius:0 3px 3px 0;background:#0b6aa8;color:#fff;font-weight:bold}
.main{padding:133px 8px 16px}
h2{font-size:14px;margin:12px 0 5px;color:#0d4f7a}
.note{background:#fff4d6;border:1px solid #f0cf7a;padding:6px 8px;margin:6px 0;border-radius:3px}
.err{background:#fde4e1;border:1px solid #e9a49a;padding:6px 8px;margin:6px 0;border-radius:3px}
.st{display:flex;align-items:center;background:#fff;border:1px solid #dde6ec;border-radius:4px;padding:4px 6px;margin:0 0 4px}
.st.off{opacity:.55}
.logo{flex:none;width:36px;height:36px;margin-right:7px;border-radius:4px;background:#c9dbe7;overflow:hidden;text-align:center;line-height:36px;color:#fff;font-weight:bold}
.logo img{width:36px;height:36px;vertical-align:top;background:#fff}
.info{flex:1;min-width:0;overflow:hidden}
.name{font-weight:bold;white-space:nowrap;overflow:hidden;text-overflow:ellipsis;display:block}
.meta{color:#5b6b75;font-size:11px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.why{color:#a33;font-size:11px}
.act{flex:none;margin-left:6px;white-space:nowrap}
.act form,.inline{display:inline;margin:0}
.btn{border:1px solid #b8cad6;background:#f7fbfd;border-radius:3px;padding:1px 6px;font-size:12px;color:#0d4f7a;cursor:pointer}
.btn.fav{color:#d18b00;font-size:14px;padding:0 5px}
.chips a{display:inline-block;background:#fff;border:1px solid #dde6ec;border-radius:10px;padding:1px 8px;margin:0 3px 4px 0;font-size:12px}
.chips small{color:#7a8a94}
.filters{background:#fff;border:1px solid #dde6ec;border-radius:4px;padding:5px 6px;margin:4px 0 8px}
.filters label{display:inline-block;margin:0 8px 3px 0;font-size:12px}
.filters select,.filters input{font-size:12px}
.pager{margin:8px 0;display:flex;justify-content:space-between}
.own input[type=text]{width:100%;padding:3px 5px;margin:2px 0 6px}
.own label{font-size:12px;color:#5b6b75}
.addr{color:#5b6b75;font-size:11px;word-break:break-all}
form.play{display:block;margin:0;min-width:0}
button.name{border:0;background:none;padding:0;margin:0;font:inherit;font-weight:bold;color:#0b6aa8;cursor:pointer;text-align:left;max-width:100%}
button.name:hover{text-decoration:underline}
.note form.play,.note button.name{display:inline}
.tt{display:flex;align-items:center;background:#fff;border:1px solid #dde6ec;border-radius:4px;padding:3px 6px;margin:0 0 3px}
.when{flex:none;width:86px;color:#5b6b75;font-size:11px}
.title{display:block;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.files{background:#fff;border:1px solid #dde6ec;border-radius:4px;padding:5px 6px;margin:4px 0 8px}
.files form{margin:5px 0 0}
)css";

const char* TabTitle(Tab tab) {
  switch (tab) {
    case Tab::kHome: return "Главная";
    case Tab::kList: return "Поиск";
    case Tab::kFavourites: return "Избранное";
    case Tab::kOwn: return "Свои станции";
    case Tab::kRecent: return "Недавние";
    case Tab::kNone: break;
  }
  return "";
}

const char* TabPath(Tab tab) {
  switch (tab) {
    case Tab::kHome: return "/";
    case Tab::kList: return "/list";
    case Tab::kFavourites: return "/fav";
    case Tab::kOwn: return "/own";
    case Tab::kRecent: return "/recent";
    case Tab::kNone: break;
  }
  return "/";
}

// The first letter of a name, for the logo's placeholder.
std::string Initial(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      if ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) {
        return std::string(1, static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
      }
      continue;
    }
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    return std::string(name.substr(i, n));
  }
  return "♪";
}

}  // namespace

std::string Section(std::string_view heading, std::string_view inner) {
  std::string out = "<h2>";
  out += heading;
  out += "</h2>\n";
  out += inner;
  return out;
}

std::string RenderPage(std::string_view title, Tab tab, std::string_view search_text,
                       const PageContext& context, std::string_view content) {
  std::string out;
  out.reserve(content.size() + 4096);
  out += "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
         "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">"
         "<meta name=\"viewport\" content=\"width=device-width\"><title>";
  out += HtmlEscape(title);
  out += "</title><style>";
  out += kStyle;
  out += "</style></head>\n<body>\n<div class=\"top\"><div class=\"tabs\">";
  for (Tab t : {Tab::kHome, Tab::kFavourites, Tab::kOwn, Tab::kRecent}) {
    out += "<a href=\"";
    out += TabPath(t);
    out += t == tab ? "\" class=\"on\">" : "\">";
    out += TabTitle(t);
    out += "</a>";
  }
  out += "</div><form method=\"get\" action=\"/list\">"
         "<input type=\"text\" name=\"q\" placeholder=\"Название станции\" value=\"";
  out += HtmlEscape(search_text);
  out += "\"><button type=\"submit\">Найти</button></form></div>\n<div class=\"main\">\n";
  for (const std::string& p : context.problems) {
    out += "<div class=\"err\">";
    out += HtmlEscape(p);
    out += "</div>\n";
  }
  if (!context.played.empty()) {
    out += "<div class=\"note\" id=\"played\">Плеер включил станцию «";
    out += HtmlEscape(context.played);
    out += "».</div>\n";
  }
  out += content;
  out += "\n</div>\n</body></html>\n";
  return out;
}

std::string RenderPostButton(std::string_view action,
                             const std::vector<std::pair<std::string, std::string>>& fields,
                             std::string_view label, std::string_view title, const PageContext& context,
                             std::string_view css_class) {
  std::string out = "<form method=\"post\" action=\"";
  out += HtmlEscape(action);
  out += "\"><input type=\"hidden\" name=\"t\" value=\"";
  out += HtmlEscape(context.token);
  out += "\"><input type=\"hidden\" name=\"back\" value=\"";
  out += HtmlEscape(context.back);
  out += "\">";
  for (const auto& [name, value] : fields) {
    out += "<input type=\"hidden\" name=\"";
    out += HtmlEscape(name);
    out += "\" value=\"";
    out += HtmlEscape(value);
    out += "\">";
  }
  out += "<button type=\"submit\" class=\"";
  out += HtmlEscape(css_class);
  out += "\" title=\"";
  out += HtmlEscape(title);
  out += "\">";
  out += label;
  out += "</button></form>";
  return out;
}

std::string RenderStationRow(const Station& s, RowKind kind, const PageContext& context) {
  const std::string reason = context.unplayable ? context.unplayable(s) : std::string();
  const std::string address = s.StreamAddress();
  const bool playable = reason.empty() && IsStationAddress(address);
  std::string out = playable ? "<div class=\"st\">" : "<div class=\"st off\">";

  out += "<span class=\"logo\">";
  if (IsStationAddress(s.favicon)) {
    // A logo that fails to load is hidden, showing the placeholder behind it.
    out += "<img src=\"";
    out += HtmlEscape(LinkAddress(s.favicon));
    out += "\" alt=\"\" onerror=\"this.style.display='none'\">";
  } else {
    out += HtmlEscape(Initial(s.name));
  }
  out += "</span><div class=\"info\">";
  if (playable) {
    out += RenderPlayLink(address, s.name, "name", context);
  } else {
    out += "<span class=\"name\">";
    out += HtmlEscape(s.name);
    out += "</span>";
  }

  std::string meta;
  const auto add = [&](std::string_view part) {
    if (part.empty()) return;
    if (!meta.empty()) meta += " · ";
    meta += HtmlEscape(part);
  };
  add(s.countrycode.empty() && s.country.empty() ? std::string() : CountryNameRu(s.countrycode, s.country));
  std::string format = s.codec == "UNKNOWN" ? std::string() : s.codec;
  if (s.bitrate) format += (format.empty() ? "" : " ") + std::to_string(s.bitrate) + " кбит/с";
  add(format);
  std::string tags = s.tags;
  for (char& c : tags) {
    if (c == ',') c = ' ';
  }
  add(CutUtf8(tags, 120));
  if (!meta.empty()) {
    out += "<div class=\"meta\">";
    out += meta;
    out += "</div>";
  }
  if (!reason.empty()) {
    out += "<div class=\"why\">";
    out += HtmlEscape(reason);
    out += "</div>";
  } else if (!playable) {
    out += "<div class=\"why\">У станции нет адреса, который можно проиграть</div>";
  }
  out += "</div><div class=\"act\">";
  if (IsStationAddress(s.homepage)) {
    out += RenderWebLink(s.homepage, "сайт", "Сайт станции", context);
    out += ' ';
  }
  const std::string key = FavouriteKey(s);
  if (kind == RowKind::kFavourite) {
    out += RenderPostButton("/fav/move", {{"k", key}, {"d", "up"}}, "↑", "Выше", context);
    out += RenderPostButton("/fav/move", {{"k", key}, {"d", "down"}}, "↓", "Ниже", context);
    out += RenderPostButton("/fav/toggle", {{"k", key}}, "✕", "Убрать из избранного", context);
  } else if (!s.uuid.empty() || kind == RowKind::kHistory) {
    const bool fav = context.is_favourite && context.is_favourite(key);
    out += RenderPostButton("/fav/toggle", {{"k", key}}, fav ? "★" : "☆",
                            fav ? "Убрать из избранного" : "В избранное", context, "btn fav");
  }
  out += "</div></div>\n";
  return out;
}

std::string RenderStationRows(const std::vector<Station>& stations, RowKind kind,
                              const PageContext& context, bool hide_unplayable, size_t* hidden) {
  std::string out;
  size_t skipped = 0;
  for (const Station& s : stations) {
    if (hide_unplayable && context.unplayable && !context.unplayable(s).empty()) {
      ++skipped;
      continue;
    }
    out += RenderStationRow(s, kind, context);
  }
  if (hidden) *hidden = skipped;
  return out;
}

std::string RenderUnreachable() {
  return "<div class=\"err\">Каталог станций сейчас недоступен: нет связи с ним. Избранное, свои "
         "станции и недавние работают как обычно. Попробуйте открыть главную страницу позже.</div>\n";
}

std::string RenderPlayLink(std::string_view address, std::string_view name, std::string_view css_class,
                           const PageContext& context, std::string_view link_scheme) {
  std::string out;
  if (context.external) {
    out += "<form class=\"play\" method=\"post\" action=\"/play\"><input type=\"hidden\" name=\"t\" value=\"";
    out += HtmlEscape(context.token);
    out += "\"><input type=\"hidden\" name=\"back\" value=\"";
    out += HtmlEscape(context.back);
    out += "\"><input type=\"hidden\" name=\"u\" value=\"";
    out += HtmlEscape(address);
    out += "\"><input type=\"hidden\" name=\"n\" value=\"";
    out += HtmlEscape(name);
    out += "\"><button type=\"submit\" class=\"";
    out += HtmlEscape(css_class);
    out += "\" title=\"Слушать в плеере\">";
    out += HtmlEscape(name);
    out += "</button></form>";
    return out;
  }
  out += "<a class=\"";
  out += HtmlEscape(css_class);
  out += "\" href=\"";
  out += HtmlEscape(link_scheme);
  out += HtmlEscape(LinkAddress(address));
  out += "\" title=\"Слушать\">";
  out += HtmlEscape(name);
  out += "</a>";
  return out;
}

std::string RenderWebLink(std::string_view address, std::string_view label, std::string_view title,
                          const PageContext& context) {
  std::string out = "<a class=\"btn\" href=\"";
  if (!context.external) out += "new:";
  out += HtmlEscape(LinkAddress(address));
  out += context.external ? "\" target=\"_blank\" rel=\"noopener noreferrer\" title=\"" : "\" title=\"";
  out += HtmlEscape(title);
  out += "\">";
  out += HtmlEscape(label);
  out += "</a>";
  return out;
}

std::string TitleSearchAddress(std::string_view text) {
  return "https://yandex.ru/search/?text=" + PercentEncode(text);
}

std::string ClockText(int64_t seconds) {
  // Days to a civil date in the proleptic Gregorian calendar.
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const int64_t in_day = seconds - days * 86400;
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  const auto two = [](int64_t n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
  return two(day) + "." + two(month) + "." + std::to_string(year) + " " + two(in_day / 3600) + ":" +
         two(in_day / 60 % 60);
}

std::string RenderTitleRows(const std::vector<HeardTitle>& titles, const PageContext& context,
                            const std::function<std::string(int64_t)>& time_text) {
  // The pane's engine has clipboardData; other browsers the asynchronous
  // clipboard, or a selected text field and the copy command.
  std::string out =
      "<script>function vnCopy(b){var t=b.getAttribute('data-copy');"
      "function done(){b.innerHTML='скопировано';}"
      "function field(){var a=document.createElement('textarea');a.value=t;document.body.appendChild(a);a.select();"
      "try{if(document.execCommand('copy'))done();}catch(e){}document.body.removeChild(a);}"
      "if(window.clipboardData&&window.clipboardData.setData){if(window.clipboardData.setData('Text',t))done();}"
      "else if(navigator.clipboard&&window.isSecureContext){navigator.clipboard.writeText(t).then(done,field);}"
      "else field();return false;}</script>\n";
  for (const HeardTitle& t : titles) {
    out += "<div class=\"tt\"><span class=\"when\">";
    out += HtmlEscape(time_text ? time_text(t.started) : ClockText(t.started));
    out += "</span><div class=\"info\"><span class=\"title\">";
    out += HtmlEscape(t.title);
    out += "</span><div class=\"meta\">";
    out += HtmlEscape(t.station);
    out += "</div></div><div class=\"act\"><button type=\"button\" class=\"btn copy\" title=\"Скопировать название\" "
           "data-copy=\"";
    out += HtmlEscape(t.title);
    out += "\" onclick=\"return vnCopy(this)\">копировать</button> ";
    out += RenderWebLink(TitleSearchAddress(t.title), "найти", "Найти в интернете", context);
    out += "</div></div>\n";
  }
  return out;
}
