#include "page.h"

#include <gtest/gtest.h>

#include <cmath>

#include "svg.h"

namespace {

std::size_t count(const std::string &text, const std::string &what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

Number num(double v, const std::string &text) { return Number{v, text}; }

// Two variables stored in reverse order: column 2 first, then column 1.
PageData two_variables() {
  PageData d;
  d.input = "t.dat";
  d.mvd_name = "t.mvd";
  d.his_name = "t.his";
  d.cor_name = "t.cor";
  d.eig_name = "t.eig";
  d.names = column_names_from_text("# <first> second\n1 2\n");
  Mvd mvd;
  const Number z = num(0, "0.0000");
  mvd.rows.push_back(MvdRow{2, z, z, z, num(0, "0.0000"), num(3, "3.0000"), z, z, z});
  mvd.rows.push_back(MvdRow{1, z, z, z, num(5, "5.0000"), num(5, "5.0000"), z, z, z});
  d.mvd = mvd;
  d.his = His{{{num(0.5, "0.5000"), num(0.25, "0.2500"), num(0.25, "0.2500"), num(0, "0.0000")},
               {num(1, "1.0000"), num(0, "0.0000"), num(0, "0.0000"), num(0, "0.0000")}}};
  d.cor = Cor{{{num(1, "1.000000")}, {num(-0.25, "-0.250000"), num(1, "1.000000")}}};
  d.eig = Eig{{num(62.5, "62.500"), num(37.5, "37.500")},
              {num(51.4, "51.400"), num(48.6, "48.600")},
              {{num(0.791, "0.791"), num(0.612, "0.612")}, {num(-0.791, "-0.791"), num(0.612, "0.612")}}};
  return d;
}

PageData many_variables(std::size_t m) {
  PageData d;
  d.input = "wide.dat";
  d.mvd_name = "wide.mvd";
  d.his_name = "wide.his";
  d.cor_name = "wide.cor";
  d.names = ColumnNames{};
  Mvd mvd;
  His his;
  Cor cor;
  const Number z = num(0, "0.0000");
  for (std::size_t i = 0; i < m; ++i) {
    mvd.rows.push_back(MvdRow{static_cast<int>(i + 1), z, z, z, z, num(1, "1.0000"), z, z, z});
    his.fractions.push_back({num(1, "1.0000"), z});
    cor.lower.emplace_back(i + 1, num(0.5, "0.500000"));
  }
  d.mvd = mvd;
  d.his = his;
  d.cor = cor;
  return d;
}

}  // namespace

TEST(Page, EverySectionWithNamesInStoredOrderAndExactTooltips) {
  const std::string page = render_page(two_variables());
  // Column 2 is stored first, so it leads the table, the histograms and the map.
  EXPECT_LT(page.find("<td class=\"name\">second</td>"), page.find("<td class=\"name\">&lt;first&gt;</td>"));
  EXPECT_EQ(page.find("<first>"), std::string::npos);
  EXPECT_EQ(count(page, "<svg class=\"chart histogram\""), 2u);
  EXPECT_EQ(count(page, "<svg class=\"chart ranges\""), 1u);
  EXPECT_EQ(count(page, "<svg class=\"chart heatmap\""), 1u);
  EXPECT_EQ(count(page, "<svg class=\"chart scree\""), 1u);
  EXPECT_EQ(count(page, "<svg class=\"chart loadings\""), 1u);
  // Bins of width 1.00001 from 0 (values 0 to 3 in four bins).
  EXPECT_NE(page.find("<title>second: 0 to 1.00001: 0.5000</title>"), std::string::npos);
  EXPECT_NE(page.find("<title>second: 3.00003 to 4.00004: 0.0000</title>"), std::string::npos);
  // Column 1 is constant at 5: its width is positive but tiny, its bins still have edges.
  EXPECT_NE(page.find("<title>&lt;first&gt;: 5 to 5.00002: 1.0000</title>"), std::string::npos);
  EXPECT_EQ(count(page, "<g class=\"cell\">"), 4u);
  EXPECT_EQ(count(page, "<title>second and &lt;first&gt;: -0.250000</title>"), 1u);
  EXPECT_EQ(count(page, "<title>&lt;first&gt; and second: -0.250000</title>"), 1u);
  EXPECT_NE(page.find("<title>component 2: 37.500 %</title>"), std::string::npos);
  EXPECT_NE(page.find("<title>reference row, component 1: 51.400</title>"), std::string::npos);
  EXPECT_NE(page.find("<title>&lt;first&gt;: -0.791, 0.612</title>"), std::string::npos);
  EXPECT_NE(page.find("component 1 (62.500 %)"), std::string::npos);
  EXPECT_NE(page.find("Column names from the comment header"), std::string::npos);
  // Self-contained: no script and nothing fetched from elsewhere.
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("http"), std::string::npos);
  EXPECT_EQ(page.find("src="), std::string::npos);
}

TEST(Page, MissingResultFilesSayWhichSwitchWritesThem) {
  PageData d = two_variables();
  d.his.reset();
  d.cor.reset();
  d.eig.reset();
  std::string page = render_page(d);
  EXPECT_NE(page.find("<code>t.his</code>: run mavek with -h for histograms."), std::string::npos);
  EXPECT_NE(page.find("<code>t.cor</code>: run mavek with -c for the correlation matrix."),
            std::string::npos);
  EXPECT_NE(page.find("<code>t.eig</code>: run mavek with -e for the principal components."),
            std::string::npos);
  EXPECT_NE(page.find("<table class=\"stats\">"), std::string::npos);

  // Without .mvd the bins are shown by number and the input order is assumed.
  d = two_variables();
  d.mvd.reset();
  page = render_page(d);
  EXPECT_NE(page.find("run mavek (it writes the statistics table by default, or with -m)."),
            std::string::npos);
  EXPECT_NE(page.find("<title>&lt;first&gt;: bin 1 of 4: 0.5000</title>"), std::string::npos);
  EXPECT_NE(page.find("the variables are taken to be in the input's column order"), std::string::npos);
}

TEST(Page, LimitsForManyVariables) {
  std::string page = render_page(many_variables(60));
  EXPECT_EQ(count(page, "<svg class=\"chart histogram\""), 50u);
  EXPECT_NE(page.find("The first 50 of the 60 variables are shown."), std::string::npos);
  EXPECT_EQ(count(page, "<g class=\"cell\">"), 3600u);
  EXPECT_NE(page.find(">x60</text>"), std::string::npos);  // still labelled

  page = render_page(many_variables(61));
  EXPECT_EQ(page.find(">x61</text>"), std::string::npos);
  EXPECT_NE(page.find("<title>x61 and x1: 0.500000</title>"), std::string::npos);
  EXPECT_NE(page.find("With more than 60 variables the rows and columns are not labelled"),
            std::string::npos);

  page = render_page(many_variables(50));
  EXPECT_EQ(count(page, "<svg class=\"chart histogram\""), 50u);
  EXPECT_EQ(page.find("The first 50"), std::string::npos);
}

TEST(Svg, EscapingTicksAndColours) {
  EXPECT_EQ(escape("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &#39;d&#39;&gt;");
  EXPECT_EQ(px(12.0), "12");
  EXPECT_EQ(px(-0.04), "0");
  EXPECT_EQ(px(3.25), "3.2");  // the double nearest 3.25 is exact and printf rounds to even

  Ticks t = nice_ticks(4.3, 7.9, 5);
  EXPECT_EQ(t.values, (std::vector<double>{5, 6, 7}));
  EXPECT_EQ(t.decimals, 0);
  t = ticks_from_zero(0.1333, 4);
  ASSERT_EQ(t.values.size(), 4u);
  EXPECT_DOUBLE_EQ(t.values.back(), 0.15);
  EXPECT_EQ(t.decimals, 2);
  EXPECT_EQ(ticks_from_zero(0.0, 4).values.back(), 1.0);
  EXPECT_EQ(number_text(-1e-17, 2), "0.00");

  // ColorBrewer's RdBu ends and middle; between two classes the channels mix.
  EXPECT_EQ(diverging_colour(-1), "#67001f");
  EXPECT_EQ(diverging_colour(0), "#f7f7f7");
  EXPECT_EQ(diverging_colour(1), "#053061");
  EXPECT_EQ(diverging_colour(0.1), "#e4eef4");
  EXPECT_EQ(diverging_colour(7), "#053061");
  EXPECT_EQ(diverging_colour(-7), "#67001f");
  EXPECT_EQ(diverging_colour(std::nan("")), "#999999");
}
