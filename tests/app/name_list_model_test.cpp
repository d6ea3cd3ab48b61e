#include "app/name_list_model.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace {

// A list of thousands of rows where one file comes or goes must touch that row
// alone: a view that is given a new list instead loses its scroll position, and
// each row it takes out and puts back costs the window's thread.
TEST(NameListModel, TakesOutAndPutsInOnlyTheRowsThatDiffer)
{
    const struct
    {
        QStringList before, after;
        QStringList changes; // -row,count taken out; +row,count put in
    } rows[] = {
        {{}, {"a", "b", "c"}, {"+0,3"}},
        {{"a", "b", "c"}, {"a", "b", "c"}, {}},
        {{"a", "c"}, {"a", "b", "c"}, {"+1,1"}},
        {{"a", "b", "c"}, {"a", "c"}, {"-1,1"}},
        {{"a", "b", "c", "d"}, {"a", "d", "e", "f"}, {"-1,2", "+2,2"}},
        {{"b", "c"}, {"a", "d"}, {"+0,1", "-1,2", "+1,1"}},
        {{"a", "b"}, {}, {"-0,2"}},
        // Without regard to case first, then as written.
        {{"timbre_sabado.txt", "timbres_1.txt"},
         {"Timbre.txt", "timbre_sabado.txt", "TIMBRES_1.TXT", "timbres_1.txt"},
         {"+0,1", "+2,1"}},
        // Out of order, the rows still end as asked.
        {{"c", "a"}, {"a", "c"}, {"+0,1", "-2,1"}},
    };
    for (const auto &row : rows) {
        NameListModel model;
        model.setNames(row.before);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        QStringList changes;
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [&](const QModelIndex &, int first, int last) {
                             changes << QStringLiteral("+%1,%2").arg(first).arg(last - first + 1);
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [&](const QModelIndex &, int first, int last) {
                             changes << QStringLiteral("-%1,%2").arg(first).arg(last - first + 1);
                         });
        model.setNames(row.after);
        QStringList shown;
        for (int r = 0; r < model.rowCount(); ++r)
            shown << model.index(r).data().toString();
        const std::string what =
            row.before.join(' ').toStdString() + " -> " + row.after.join(' ').toStdString();
        EXPECT_EQ(shown, row.after) << what;
        EXPECT_EQ(changes, row.changes) << what;
    }
}

} // namespace
